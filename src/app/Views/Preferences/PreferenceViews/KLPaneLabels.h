#pragma once

#include <QKeySequence>
#include <QList>

class QLabel;
class QLayoutItem;
class QWidget;

// Ties the labels of a pane's forms to their fields for the keyboard and screen readers: each shown label
// becomes the buddy of its row's control and gets, where one is still free in the pane, a letter as its
// mnemonic (the first letter of a word where it can), so Alt and that letter reach the control.
class KLPaneLabels final {
public:
    // Labels that have a mnemonic keep it; the others get one no shown label of the pane uses.
    static void tie(QWidget *pane);

private:
    // The control a label stands for: the field itself, or the first control of a row of several.
    static QWidget *control(QLayoutItem *field);
    static void addMnemonic(QLabel *label, QList<QKeySequence> &taken);
};
