#include "Views/Popovers/KLPopoverChoice.h"

#include "Views/Utils/KLArtwork.h"
#include "Views/Utils/KLTheme.h"

#include <QVBoxLayout>

KLPopoverChoice::KLPopoverChoice(const QString &label, bool dark, QWidget *parent)
    : QWidget(parent), m_button(new KLPlainButton(this)), m_dark(dark) {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_button);
    m_button->setText(label);
    m_button->setIconSize(QSize(24, 24));
    m_button->setMinimumSize(QSize(200, 40));
    m_button->setStyleSheet(QStringLiteral("text-align: left; padding-left: 10px; border-radius: 6px;"));
    connect(m_button, &QPushButton::clicked, this, [this] {
        if (m_offered) {
            Q_EMIT chosen();
        }
    });
    showContents();
}

void KLPopoverChoice::setImageName(const QString &name) {
    m_imageName = name;
    showContents();
}

void KLPopoverChoice::setOffered(bool offered) {
    m_offered = offered;
    showContents();
}

void KLPopoverChoice::showContents() {
    const KLTheme theme(m_dark);
    m_button->setIcon(m_offered && !m_imageName.isEmpty() ? KLArtwork::icon(m_imageName) : QIcon());
    m_button->setEnabled(m_offered);
    m_button->setHoverColor(m_offered ? KLTheme::accent : Qt::transparent);
    QPalette palette = m_button->palette();
    const QColor text = m_offered ? theme.primaryText() : theme.disabledText();
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, text);
    m_button->setPalette(palette);
}
