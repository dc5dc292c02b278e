#include "Views/Preferences/PreferenceViews/KLConversionPreferencesViewController.h"

#include "Model/Preferences/KLPreferences.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QSignalBlocker>

namespace {

QComboBox *popUp(QWidget *parent, const QString &name) {
    auto *box = new QComboBox(parent);
    box->setAccessibleName(name);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(16);
    return box;
}

QLabel *note(const QString &text, QWidget *parent) {
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    QFont small = label->font();
    small.setPointSizeF(small.pointSizeF() - 1);
    label->setFont(small);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

} // namespace

KLConversionPreferencesViewController::KLConversionPreferencesViewController(
    std::shared_ptr<KLPreferences> preferences, QWidget *parent)
    : KLPreferencesPane(std::move(preferences), parent), m_level(popUp(this, tr("Settings level"))),
      m_mode(popUp(this, tr("Download mode"))), m_outputFor(popUp(this, tr("Output for"))),
      m_convertToLabel(new QLabel(tr("Convert to:"), this)), m_convertTo(popUp(this, tr("Convert to"))),
      m_subtitles(binding().check(QStringLiteral("useSubtitles"), tr("Embed subtitles"), this)),
      m_subtitlesNote(note(tr("Subtitles are downloaded where the site offers them and embedded in the file; "
                              "not every container can hold them."),
                           this)),
      m_warning(note(tr("These settings are for people who know their codecs: a combination a device cannot "
                        "play converts without complaint."),
                     this)) {
    auto *form = new QFormLayout(this);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    form->addRow(tr("Settings level:"), m_level);
    form->addRow(tr("Download mode:"), m_mode);
    form->addRow(tr("Output for:"), m_outputFor);
    form->addRow(m_convertToLabel, m_convertTo);
    form->addRow(QString(), m_subtitles);
    form->addRow(QString(), m_subtitlesNote);
    form->addRow(m_warning);
    m_convertToLabel->setBuddy(m_convertTo);
    for (const KLSettingsLevel level : KLPreferences::listSettingsLevels()) {
        m_level->addItem(KLPreferences::settingsLevelToString(level), static_cast<int>(level));
    }
    for (const KLOutputMode mode : KLPreferences::listOutputModes()) {
        m_mode->addItem(KLPreferences::outputModeToString(mode), static_cast<int>(mode));
    }
    m_outputFor->addItems(KLPreferences::listOutputFors());
    connect(m_level, &QComboBox::activated, this, &KLConversionPreferencesViewController::onLevel);
    connect(m_mode, &QComboBox::activated, this, &KLConversionPreferencesViewController::onMode);
    connect(m_outputFor, &QComboBox::activated, this, &KLConversionPreferencesViewController::onOutputFor);
    connect(m_convertTo, &QComboBox::activated, this, &KLConversionPreferencesViewController::onConvertTo);
    setupWithPreferences();
}

void KLConversionPreferencesViewController::setupWithPreferences() {
    KLPreferencesPane::setupWithPreferences();
    const KLPreferences &record = *preferences();
    const QSignalBlocker quietLevel(m_level);
    const QSignalBlocker quietMode(m_mode);
    const QSignalBlocker quietOutputFor(m_outputFor);
    const QSignalBlocker quietConvertTo(m_convertTo);
    m_level->setCurrentIndex(m_level->findData(static_cast<int>(record.settingsLevel())));
    m_mode->setCurrentIndex(m_mode->findData(static_cast<int>(record.outputMode())));
    m_outputFor->setCurrentText(record.outputFor());
    m_convertTo->clear();
    m_convertTo->addItems(record.outputMode() == KLOutputMode::AudioOnly
                              ? KLPreferences::listAudioContainers()
                              : KLPreferences::listVideoContainers());
    m_convertTo->setCurrentIndex(m_convertTo->findText(record.container()));
    // A beginner chooses the device only; the container and the subtitles come with it.
    const bool beginner = record.settingsLevel() == KLSettingsLevel::Beginner;
    m_convertToLabel->setVisible(!beginner);
    m_convertTo->setVisible(!beginner);
    m_subtitles->setVisible(!beginner);
    m_subtitlesNote->setVisible(!beginner && record.useSubtitles());
    m_warning->setVisible(record.settingsLevel() >= KLSettingsLevel::Advanced);
}

void KLConversionPreferencesViewController::onLevel(int index) {
    // The panes of the new level replace this one; it goes once this call is over.
    preferences()->setSettingsLevel(static_cast<KLSettingsLevel>(m_level->itemData(index).toInt()));
}

void KLConversionPreferencesViewController::onMode(int index) {
    KLPreferences &record = *preferences();
    record.setOutputMode(static_cast<KLOutputMode>(m_mode->itemData(index).toInt()));
    // The device's settings for the new mode (an audio container for sound only).
    record.setupOutputFor(record.outputFor());
    changed();
}

void KLConversionPreferencesViewController::onOutputFor(int index) {
    preferences()->setupOutputFor(m_outputFor->itemText(index));
    changed();
}

void KLConversionPreferencesViewController::onConvertTo(int index) {
    preferences()->setupContainer(m_convertTo->itemText(index));
    changed();
}
