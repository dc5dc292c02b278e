#include "Views/Other/KLHoverButton.h"

KLHoverButton::KLHoverButton(QWidget *parent) : QToolButton(parent) {
    setAutoRaise(true);
    // Reachable with Tab like any button; the ring in the accent colour shows where the keyboard is on a
    // light and on a dark background alike.
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setStyleSheet(QStringLiteral("QToolButton { border: 2px solid transparent; border-radius: 6px; "
                                 "background: transparent; }"
                                 "QToolButton:focus { border-color: palette(window-text); }"));
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
