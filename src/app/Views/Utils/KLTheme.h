#pragma once

#include <QColor>
#include <QPalette>
#include <QString>

// The colours of the window in its light or dark theme, and the themed names of its pictures.
class KLTheme final {
public:
    // The window's accent: hovering, conversions in progress, active buttons.
    static inline const QColor accent = QColor(98, 163, 245);

    explicit KLTheme(bool dark) : m_dark(dark) {}
    static KLTheme named(const QString &theme) { return KLTheme(theme == QLatin1String("dark")); }

    bool dark() const { return m_dark; }
    QColor windowBackground() const;
    QColor rowBackground() const;
    QColor separator() const;
    QColor primaryText() const;
    QColor secondaryText() const;
    QColor disabledText() const;
    QColor statusText() const;
    // A download's progress: white on the dark rows, a dark grey where white would vanish on a light row.
    QColor progress() const;

    // The palette of every window, menu and dialog of the program in this theme.
    QPalette palette() const;

    // "icon-settings-inactive" -> "icon-settings-inactive-dark@2x.png" in the dark theme.
    QString image(const QString &base) const;
    // The row's small tools are named "icon-remove-dark" and the like.
    QString toolImage(const QString &base) const;
    // The batch popover's pictures are white in the dark theme and grey in the light one.
    QString batchImage(const QString &base) const;

private:
    bool m_dark;
};
