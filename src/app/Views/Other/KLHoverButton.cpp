#include "Views/Other/KLHoverButton.h"

KLHoverButton::KLHoverButton(QWidget *parent) : QToolButton(parent) {
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; }"));
}

void KLHoverButton::setDefaultImage(const QIcon &image) {
    m_defaultImage = image;
    showImage();
}

void KLHoverButton::setHoverImage(const QIcon &image) {
    m_hoverImage = image;
    showImage();
}

void KLHoverButton::enterEvent(QEnterEvent *event) {
    m_hovering = true;
    showImage();
    QToolButton::enterEvent(event);
}

void KLHoverButton::leaveEvent(QEvent *event) {
    m_hovering = false;
    showImage();
    QToolButton::leaveEvent(event);
}

void KLHoverButton::showImage() {
    setIcon(m_hovering && !m_hoverImage.isNull() ? m_hoverImage : m_defaultImage);
}
