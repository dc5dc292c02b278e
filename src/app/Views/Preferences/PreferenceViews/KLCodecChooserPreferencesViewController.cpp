#include "Views/Preferences/PreferenceViews/KLCodecChooserPreferencesViewController.h"

#include "Views/Preferences/PreferenceViews/Codecs/KLCodecPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/Codecs/KLCodecPreferencesViewFactory.h"
#include "Views/Preferences/PreferenceViews/KLPaneLabels.h"

#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QVBoxLayout>

KLCodecChooserPreferencesViewController::KLCodecChooserPreferencesViewController(
    std::shared_ptr<KLPreferences> preferences, const QStringList &codecs, const QString &current,
    QWidget *parent)
    : KLPreferencesPane(std::move(preferences), parent), m_codec(new QComboBox(this)),
      m_layout(new QVBoxLayout(this)) {
    m_codec->setAccessibleName(tr("Codec"));
    m_codec->addItems(codecs);
    auto *chooser = new QFormLayout();
    chooser->addRow(tr("Codec:"), m_codec);
    m_layout->addLayout(chooser);
    auto *line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    m_layout->addWidget(line);
    connect(m_codec, &QComboBox::activated, this, [this](int index) { showCodec(m_codec->itemText(index)); });
    showCodec(codecs.contains(current) ? current : codecs.value(0));
}

void KLCodecChooserPreferencesViewController::showCodec(const QString &codec) {
    m_codec->setCurrentText(codec);
    if (m_pane != nullptr) {
        // Hidden, its labels leave their letters to the new pane's.
        m_pane->hide();
        m_pane->deleteLater();
    }
    m_pane = KLCodecPreferencesViewFactory::forCodec(codec, preferences(), this);
    if (m_pane != nullptr) {
        m_layout->addWidget(m_pane);
        m_pane->show();
        KLPaneLabels::tie(this);
    }
    // The window fits its new content.
    if (QWidget *top = window()) {
        top->adjustSize();
    }
}
