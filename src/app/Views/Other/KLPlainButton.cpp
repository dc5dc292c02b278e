#include "Views/Other/KLPlainButton.h"

#include <QPainter>
#include <QStyleOptionButton>

KLPlainButton::KLPlainButton(QWidget *parent) : QPushButton(parent) {
    setFlat(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

void KLPlainButton::setBackgroundColor(const QColor &color) {
    m_backgroundColor = color;
    update();
}

void KLPlainButton::setHoverColor(const QColor &color) {
    m_hoverColor = color;
    update();
}

void KLPlainButton::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.fillRect(rect(), m_hovering ? m_hoverColor : m_backgroundColor);
    // The icon and the text as a flat button draws them, without its frame.
    QStyleOptionButton option;
    initStyleOption(&option);
    option.features |= QStyleOptionButton::Flat;
    option.state &= ~(QStyle::State_HasFocus | QStyle::State_Sunken | QStyle::State_MouseOver);
    style()->drawControl(QStyle::CE_PushButtonLabel, &option, &painter, this);
    if (hasFocus()) {
        // The keyboard's place, in the hover colour, which stands out on either theme.
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(m_hovering ? palette().color(QPalette::HighlightedText) : m_hoverColor, 2.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1.0, 1.0, -1.0, -1.0), 4.0, 4.0);
    }
}

void KLPlainButton::enterEvent(QEnterEvent *event) {
    setHovering(true);
    QPushButton::enterEvent(event);
}

void KLPlainButton::leaveEvent(QEvent *event) {
    setHovering(false);
    QPushButton::leaveEvent(event);
}

void KLPlainButton::setHovering(bool hovering) {
    m_hovering = hovering;
    update();
    if (m_hoverBlock) {
        m_hoverBlock(hovering);
    }
}
