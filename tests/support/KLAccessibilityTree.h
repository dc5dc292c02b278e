#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

// One application's accessibility tree as a screen reader reads it from the accessibility bus (AT-SPI),
// for tests that look at the desktop program from outside: what it shows, what it is named, where it is.
class KLAccessibilityTree final {
public:
    struct Node {
        int depth = 0;
        QString role;
        QString name;
        QString description;
        QString text;        // a text field's contents
        QRect extents;       // on the screen; empty when the node has no place
        double value = -1.0; // a progress bar's, a slider's; -1 when the node has none
        QStringList states;  // "checked", "focused", "enabled", ...
    };

    // The tree of the application named `application` right now; empty when it is not on the bus.
    static QList<Node> read(const QString &application);
    // Performs the first action (a button's click) of the first node named `name`; false when none offers
    // one.
    static bool press(const QString &application, const QString &name);
    // Presses `name` as press() does and returns the trees of the popups (popovers) that show then, which
    // read() cannot reach: the application does not list them. With `choice`, then presses the node of that
    // name in them. `pressed` tells whether every press found its node.
    static QList<Node> pressForPopups(const QString &application, const QString &name, bool *pressed,
                                      const QString &choice = {});

    // Every name, description and text of the tree, one per line: what a test searches for words.
    static QString allTexts(const QList<Node> &tree);
    // The first node of `role`, or nothing.
    static const Node *first(const QList<Node> &tree, const QString &role);
};
