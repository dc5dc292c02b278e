#include "Views/Utils/KLTheme.h"

QColor KLTheme::windowBackground() const {
    return m_dark ? QColor(38, 40, 46) : QColor(246, 247, 249);
}

QColor KLTheme::rowBackground() const {
    return m_dark ? QColor(48, 51, 58) : QColor(255, 255, 255);
}

QColor KLTheme::separator() const {
    return m_dark ? QColor(66, 70, 79) : QColor(226, 229, 234);
}

QColor KLTheme::primaryText() const {
    return m_dark ? QColor(236, 238, 242) : QColor(33, 36, 41);
}

QColor KLTheme::secondaryText() const {
    return m_dark ? QColor(160, 166, 178) : QColor(112, 118, 128);
}

QColor KLTheme::disabledText() const {
    return m_dark ? QColor(98, 103, 114) : QColor(178, 182, 190);
}

QColor KLTheme::statusText() const {
    return m_dark ? QColor(222, 226, 232) : QColor(52, 56, 64);
}

QColor KLTheme::progress() const {
    return m_dark ? QColor(Qt::white) : QColor(88, 94, 104);
}

QString KLTheme::image(const QString &base) const {
    return base + (m_dark ? QStringLiteral("-dark@2x.png") : QStringLiteral("-light@2x.png"));
}

QString KLTheme::toolImage(const QString &base) const {
    return base + (m_dark ? QStringLiteral("-dark") : QStringLiteral("-light"));
}

QString KLTheme::batchImage(const QString &base) const {
    return base + (m_dark ? QStringLiteral("-white@2x.png") : QStringLiteral("-grey@2x.png"));
}

QPalette KLTheme::palette() const {
    QPalette palette;
    const QColor window = windowBackground();
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, primaryText());
    palette.setColor(QPalette::Base, rowBackground());
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Text, primaryText());
    palette.setColor(QPalette::Button, m_dark ? QColor(58, 62, 70) : QColor(236, 238, 242));
    palette.setColor(QPalette::ButtonText, primaryText());
    palette.setColor(QPalette::ToolTipBase, rowBackground());
    palette.setColor(QPalette::ToolTipText, primaryText());
    palette.setColor(QPalette::PlaceholderText, secondaryText());
    palette.setColor(QPalette::Highlight, accent);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, accent);
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, disabledText());
    }
    return palette;
}
