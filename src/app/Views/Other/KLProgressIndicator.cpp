#include "Views/Other/KLProgressIndicator.h"

#include "Views/Other/KLAccessibleProgressIndicator.h"

#include <QAccessible>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double fullTurn = 2.0 * std::numbers::pi;
// In a drawing space whose y grows downwards this angle points to the top.
constexpr double top = 1.5 * std::numbers::pi;

double wrapped(double angle) {
    return std::fmod(std::fmod(angle, fullTurn) + fullTurn, fullTurn);
}

QColor grey(int level, double alpha) {
    QColor color(level, level, level);
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

} // namespace

KLProgressIndicator::KLProgressIndicator(QWidget *parent)
    : QWidget(parent), m_currentIndeterminateAngle(top) {
    setAttribute(Qt::WA_TranslucentBackground);
    m_timer.setInterval(1000 / ticksPerSecond);
    connect(&m_timer, &QTimer::timeout, this, &KLProgressIndicator::advanceTail);
    // Screen readers learn the ring's value through its own accessible interface, made known once.
    static const bool readable = [] {
        QAccessible::installFactory(&KLAccessibleProgressIndicator::factory);
        return true;
    }();
    Q_UNUSED(readable);
}

void KLProgressIndicator::setProgress(double progress) {
    const bool announced = std::lround(progress * 100.0) != std::lround(m_progress * 100.0);
    m_progress = progress;
    update();
    if (announced && QAccessible::isActive()) {
        QAccessibleValueChangeEvent changed(this, static_cast<int>(std::lround(progress * 100.0)));
        QAccessible::updateAccessibility(&changed);
    }
}

void KLProgressIndicator::setForegroundColor(const QColor &color) {
    m_foregroundColor = color;
    update();
}

void KLProgressIndicator::setIndeterminate(bool indeterminate) {
    if (indeterminate == m_indeterminate) {
        return;
    }
    m_indeterminate = indeterminate;
    if (indeterminate) {
        m_timer.start();
    } else {
        m_timer.stop();
        m_currentIndeterminateAngle = top;
    }
    update();
}

void KLProgressIndicator::advanceTail() {
    m_currentIndeterminateAngle = wrapped(m_currentIndeterminateAngle + tailStep);
    update();
}

double KLProgressIndicator::ringRadius() const {
    return width() / 2.0 - 7.0;
}

QPointF KLProgressIndicator::centre() const {
    return QPointF(width() / 2.0, height() / 2.0);
}

void KLProgressIndicator::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor disc = grey(111, 0.5);
    painter.setPen(QPen(disc, 1.0));
    painter.setBrush(disc);
    painter.drawEllipse(QRectF(rect()).adjusted(5.0, 5.0, -5.0, -5.0));
    drawRingPiece(painter, 0.0, fullTurn, grey(219, 0.5));
    if (m_indeterminate) {
        drawTail(painter);
    } else if (m_progress != 0.0) {
        const double sweep = fullTurn * std::clamp(m_progress, 0.0, 1.0);
        drawRingPiece(painter, top, top + sweep, m_foregroundColor);
    }
}

void KLProgressIndicator::drawTail(QPainter &painter) const {
    // The tail spans three quarters of the ring behind its head, fading in from nothing.
    constexpr double length = 1.5 * std::numbers::pi;
    constexpr double piece = 0.05;
    const double start = m_currentIndeterminateAngle - length;
    for (double offset = 0.0; offset < length; offset += piece) {
        QColor fading = m_foregroundColor;
        fading.setAlphaF(static_cast<float>(std::min(offset / length, 0.8)));
        drawRingPiece(painter, start + offset, start + std::min(offset + piece, length), fading);
    }
}

void KLProgressIndicator::drawRingPiece(QPainter &painter, double start, double end,
                                        const QColor &color) const {
    const double radius = ringRadius();
    const QPointF middle = centre();
    // Angles grow clockwise on screen, as y grows downwards; Qt's arcs count counter-clockwise in degrees.
    const double startDegrees = -start * 180.0 / std::numbers::pi;
    const double sweepDegrees = -(end - start) * 180.0 / std::numbers::pi;
    const QRectF circle(middle.x() - radius, middle.y() - radius, 2.0 * radius, 2.0 * radius);
    QPainterPath arc;
    arc.arcMoveTo(circle, startDegrees);
    arc.arcTo(circle, startDegrees, sweepDegrees);
    QPainterPathStroker stroker;
    stroker.setWidth(ringWidth);
    stroker.setCapStyle(Qt::FlatCap);
    stroker.setJoinStyle(Qt::MiterJoin);
    stroker.setMiterLimit(10.0);
    const QPainterPath outline = stroker.createStroke(arc);
    painter.setPen(QPen(color, 1.0));
    painter.setBrush(color);
    painter.drawPath(outline);
}
