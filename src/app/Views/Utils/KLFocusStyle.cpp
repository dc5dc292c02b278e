#include "Views/Utils/KLFocusStyle.h"

#include <QPainter>
#include <QStyleOption>

KLFocusStyle::KLFocusStyle() : QProxyStyle(QStringLiteral("Fusion")) {}

void KLFocusStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                                      QPainter *painter, const QWidget *widget) const {
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    if ((control == CC_ComboBox || control == CC_SpinBox) && option->state.testFlag(State_HasFocus)) {
        drawRing(option, painter);
    }
}

void KLFocusStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                                 const QWidget *widget) const {
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    // A text field's frame, and the label of a check box or a button, which Fusion marks with a dotted line.
    if ((element == PE_FrameLineEdit && option->state.testFlag(State_HasFocus)) ||
        element == PE_FrameFocusRect) {
        drawRing(option, painter);
    }
}

void KLFocusStyle::drawRing(const QStyleOption *option, QPainter *painter) {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(option->palette.color(QPalette::Highlight), 2.0));
    painter->setBrush(Qt::NoBrush);
    painter->drawRoundedRect(QRectF(option->rect).adjusted(1.0, 1.0, -1.0, -1.0), 3.0, 3.0);
    painter->restore();
}
