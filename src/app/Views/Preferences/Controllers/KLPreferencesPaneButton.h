#pragma once

#include <QToolButton>

// A button of the preferences' pane bar: checked while its pane shows, and ringed in the theme's accent
// while it has the keyboard focus (the style's own focus hint is too faint to see on either theme).
class KLPreferencesPaneButton final : public QToolButton {
    Q_OBJECT

public:
    KLPreferencesPaneButton(const QString &title, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};
