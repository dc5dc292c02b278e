#include "Views/Other/KLPlainButton.h"

#include <QPainter>
#include <QStyleOptionButton>

KLPlainButton::KLPlainButton(QWidget *parent) : QPushButton(parent) {
    setFlat(true);
    setFocusPolicy(Qt::NoFocus);
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
