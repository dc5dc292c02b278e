#pragma once

class QBoxLayout;
class QWidget;

// A small window that keeps the one size its contents ask for: its layout fixes the size, it is wide enough
// for the window manager to show its whole title, and it offers no maximise or minimise button; Ctrl+W and
// Escape close it. Call after the title is set and before the window is first shown.
class KLFixedSizeWindow final {
public:
    static void apply(QWidget *window, QBoxLayout *layout);
};
