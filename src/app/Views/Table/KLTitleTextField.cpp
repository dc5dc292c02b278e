#include "Views/Table/KLTitleTextField.h"

#include <QStyle>
#include <QStyleOptionFrame>

KLTitleTextField::KLTitleTextField(QWidget *parent) : QLineEdit(parent) {}

void KLTitleTextField::setTitle(const QString &title) {
    m_title = title;
    setToolTip(title);
    if (hasFocus()) {
        showWhole();
    } else {
        showShortened();
    }
}

QString KLTitleTextField::title() const {
    return m_shortened ? m_title : text();
}

void KLTitleTextField::showWhole() {
    m_shortened = false;
    setText(m_title);
}

void KLTitleTextField::showShortened() {
    // The width the field gives its text: its own less the frame and the text margins.
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect textArea =
        style()->subElementRect(QStyle::SE_LineEditContents, &option, this).marginsRemoved(textMargins());
    // A little room is left for the cursor the field draws after the text.
    const QString shown = fontMetrics().elidedText(m_title, Qt::ElideRight, textArea.width() - 4);
    m_shortened = true;
    setText(shown);
    setCursorPosition(0);
}

void KLTitleTextField::focusInEvent(QFocusEvent *event) {
    // Editing starts from the whole title, never from its shortened form.
    if (m_shortened) {
        showWhole();
    }
    QLineEdit::focusInEvent(event);
}

void KLTitleTextField::focusOutEvent(QFocusEvent *event) {
    // The field tells that editing ended first; whoever listens takes the typed title and sets the title
    // it keeps. Without a listener the title the field was given returns.
    QLineEdit::focusOutEvent(event);
    if (!m_shortened) {
        showShortened();
    }
}

void KLTitleTextField::resizeEvent(QResizeEvent *event) {
    QLineEdit::resizeEvent(event);
    if (m_shortened) {
        showShortened();
    }
}
