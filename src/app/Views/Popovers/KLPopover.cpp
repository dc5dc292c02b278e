#include "Views/Popovers/KLPopover.h"

#include "Views/Utils/KLTheme.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int margin = 10;
constexpr int gap = 4;
constexpr qreal cornerRadius = 10.0;

// Under X11 a see-through window needs a compositing manager, and without one its transparent corners
// show black; whether one runs (and keeps running) is not known beforehand. There the window's shape is
// cut to the rounded outline instead, which every X server does, and the popover is drawn opaque.
bool cutsItsShape() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

} // namespace

KLPopover::KLPopover(QWidget *content, bool dark, QWidget *parent)
    : QFrame(parent, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint), m_content(content),
      m_dark(dark), m_cutsItsShape(cutsItsShape()) {
    setAttribute(Qt::WA_TranslucentBackground, !m_cutsItsShape);
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->addWidget(content);
}

void KLPopover::showRelativeTo(QWidget *anchor) {
    adjustSize();
    const QPoint below =
        anchor->mapToGlobal(QPoint(anchor->width() / 2 - width() / 2, anchor->height() + gap));
    QPoint position = below;
    if (const QScreen *screen = anchor->screen()) {
        const QRect available = screen->availableGeometry();
        if (position.y() + height() > available.bottom()) {
            position.setY(anchor->mapToGlobal(QPoint(0, 0)).y() - height() - gap);
        }
        position.setX(std::clamp(position.x(), available.left(),
                                 std::max(available.left(), available.right() - width())));
    }
    move(position);
    show();
}

void KLPopover::hideEvent(QHideEvent *event) {
    QFrame::hideEvent(event);
    Q_EMIT closed();
    close();
}

void KLPopover::resizeEvent(QResizeEvent *event) {
    QFrame::resizeEvent(event);
    if (m_cutsItsShape) {
        QPainterPath outline;
        outline.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
        setMask(QRegion(outline.toFillPolygon().toPolygon()));
    }
}

void KLPopover::paintEvent(QPaintEvent *) {
    const KLTheme theme(m_dark);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_cutsItsShape) {
        // The edge's blended pixels would otherwise mix with whatever the window held there.
        painter.fillRect(rect(), theme.rowBackground());
    }
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
    painter.fillPath(shape, theme.rowBackground());
    painter.setPen(QPen(theme.separator(), 1.0));
    painter.drawPath(shape);
}
