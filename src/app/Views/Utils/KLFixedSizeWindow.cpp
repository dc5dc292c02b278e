#include "Views/Utils/KLFixedSizeWindow.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDialog>
#include <QFontMetrics>
#include <QShortcut>
#include <QWidget>

namespace {

// Title bars draw their title in a font often larger and bolder than the window's, beside an icon and
// three buttons: room for those in lines of text.
constexpr double titleFontAllowance = 1.25;
constexpr int titleBarButtonsInLines = 8;

// The width a title bar needs for the window's title and its buttons.
int widthForTitle(const QWidget *window) {
    const QFontMetrics metrics(QApplication::font(window));
    return static_cast<int>(metrics.horizontalAdvance(window->windowTitle()) * titleFontAllowance) +
           metrics.height() * titleBarButtonsInLines;
}

} // namespace

void KLFixedSizeWindow::apply(QWidget *window, QBoxLayout *layout) {
    // Without the customise hint the window system adds the buttons of an ordinary window back.
    window->setWindowFlags(
        (window->windowFlags() &
         ~(Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint | Qt::WindowContextHelpButtonHint)) |
        Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // A strut across a vertical layout sets its least width, which the fixed size then keeps.
    if (layout->direction() == QBoxLayout::TopToBottom || layout->direction() == QBoxLayout::BottomToTop) {
        const QMargins margins = layout->contentsMargins();
        layout->addStrut(widthForTitle(window) - margins.left() - margins.right());
    }
    // Closed from the keyboard as small windows are: Ctrl+W, and Escape (which a dialog knows already).
    QObject::connect(new QShortcut(QKeySequence::Close, window), &QShortcut::activated, window,
                     &QWidget::close);
    if (qobject_cast<QDialog *>(window) == nullptr) {
        QObject::connect(new QShortcut(QKeySequence::Cancel, window), &QShortcut::activated, window,
                         &QWidget::close);
    }
}
