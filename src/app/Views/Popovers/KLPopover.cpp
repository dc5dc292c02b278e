#include "Views/Popovers/KLPopover.h"

#include "Views/Utils/KLTheme.h"

#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int margin = 10;
constexpr int gap = 4;

} // namespace

KLPopover::KLPopover(QWidget *content, bool dark, QWidget *parent)
    : QFrame(parent, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint), m_content(content),
      m_dark(dark) {
    setAttribute(Qt::WA_TranslucentBackground);
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

void KLPopover::paintEvent(QPaintEvent *) {
    const KLTheme theme(m_dark);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10.0, 10.0);
    painter.fillPath(shape, theme.rowBackground());
    painter.setPen(QPen(theme.separator(), 1.0));
    painter.drawPath(shape);
}
