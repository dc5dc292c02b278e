#include "Views/Preferences/Controllers/KLPreferencesPaneButton.h"

#include <QPainter>

KLPreferencesPaneButton::KLPreferencesPaneButton(const QString &title, QWidget *parent)
    : QToolButton(parent) {
    setText(title);
    setAccessibleName(title);
    setCheckable(true);
    setAutoRaise(true);
}

void KLPreferencesPaneButton::paintEvent(QPaintEvent *event) {
    QToolButton::paintEvent(event);
    if (!hasFocus()) {
        return;
    }
    // The accent stands out on the dark window; on the light one it is darkened, or it would fade into it.
    QColor ring = palette().color(QPalette::Highlight);
    if (palette().color(QPalette::Window).lightness() > 128) {
        ring = ring.darker(150);
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(ring, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 4, 4);
}
