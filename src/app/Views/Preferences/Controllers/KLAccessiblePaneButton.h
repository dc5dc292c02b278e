#pragma once

#include <QAccessibleWidget>

class QAbstractButton;

// What screen readers hear of a pane button: a button named by its pane, checkable and checked while its
// pane shows. (Left to itself, Qt presents a checkable tool button as a check box.)
class KLAccessiblePaneButton final : public QAccessibleWidget {
public:
    explicit KLAccessiblePaneButton(QAbstractButton *button);

    // Makes every pane button made from now on present itself this way; does its work once.
    static void install();

    QAccessible::State state() const override;
    QString text(QAccessible::Text kind) const override;
    QStringList actionNames() const override;
    void doAction(const QString &action) override;

private:
    QAbstractButton *button() const;
};
