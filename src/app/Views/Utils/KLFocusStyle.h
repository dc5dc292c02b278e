#pragma once

#include <QProxyStyle>

// Fusion, the program's one look on every desktop, with a focus ring that can be seen: Fusion marks a
// focused combo box, spin box or text field barely or not at all, and the keyboard's user has to find where
// it is. A focused field gets a two-pixel ring in the highlight colour, in both themes.
class KLFocusStyle final : public QProxyStyle {
public:
    KLFocusStyle();

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                            const QWidget *widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;

private:
    static void drawRing(const QStyleOption *option, QPainter *painter);
};
