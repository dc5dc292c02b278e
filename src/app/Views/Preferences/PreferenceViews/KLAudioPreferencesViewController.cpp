#include "Views/Preferences/PreferenceViews/KLAudioPreferencesViewController.h"

#include "Model/Preferences/KLPreferences.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QSignalBlocker>

KLAudioPreferencesViewController::KLAudioPreferencesViewController(std::shared_ptr<KLPreferences> preferences,
                                                                   QWidget *parent)
    : KLPreferencesPane(std::move(preferences), parent), m_mono(new QRadioButton(tr("Mono"), this)),
      m_stereo(new QRadioButton(tr("Stereo"), this)) {
    const auto containerCodecs = [record = this->preferences()] {
        return KLPreferences::listAudioCodecNamesForContainer(record->container());
    };
    m_codec = binding().choices(QStringLiteral("audioCodec"), containerCodecs, this);
    m_keepCodec =
        binding().check(QStringLiteral("useInputFilesAudioCodec"), tr("Keep the input's audio codec"), this);
    m_keepChannels =
        binding().check(QStringLiteral("useInputFilesChannels"), tr("Keep the input's channels"), this);
    auto *channels = new QHBoxLayout();
    channels->addWidget(m_mono);
    channels->addWidget(m_stereo);
    channels->addStretch();
    auto *form = new QFormLayout(this);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    form->addRow(tr("Audio codec:"), m_codec);
    form->addRow(QString(), m_keepCodec);
    form->addRow(tr("Channels:"), channels);
    form->addRow(QString(), m_keepChannels);
    connect(m_mono, &QRadioButton::clicked, this, [this] { onChannels(KLAudioMode::Mono); });
    connect(m_stereo, &QRadioButton::clicked, this, [this] { onChannels(KLAudioMode::Stereo); });
    setupWithPreferences();
}

void KLAudioPreferencesViewController::setupWithPreferences() {
    KLPreferencesPane::setupWithPreferences();
    const KLPreferences &record = *preferences();
    // Nothing here applies when nothing is converted or the output holds no sound.
    setEnabled(record.container() != KLPreferences::downloadOnlyNoConversion &&
               record.outputMode() != KLOutputMode::VideoOnly);
    const QSignalBlocker quietMono(m_mono);
    const QSignalBlocker quietStereo(m_stereo);
    m_mono->setChecked(record.audioMode() == KLAudioMode::Mono);
    m_stereo->setChecked(record.audioMode() == KLAudioMode::Stereo);
    m_codec->setEnabled(!record.useInputFilesAudioCodec());
    m_mono->setEnabled(!record.useInputFilesMonoStereo());
    m_stereo->setEnabled(!record.useInputFilesMonoStereo());
}

void KLAudioPreferencesViewController::onChannels(KLAudioMode mode) {
    preferences()->setAudioMode(mode);
    changed();
}
