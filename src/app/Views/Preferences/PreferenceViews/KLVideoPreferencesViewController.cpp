#include "Views/Preferences/PreferenceViews/KLVideoPreferencesViewController.h"

#include "Model/Preferences/KLPreferences.h"
#include "Utils/KLKinolarkUtils.h"
#include "Views/Preferences/PreferenceViews/Resolution/KLResolutionSelectionWindowController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QSignalBlocker>

KLVideoPreferencesViewController::KLVideoPreferencesViewController(std::shared_ptr<KLPreferences> preferences,
                                                                   QWidget *parent)
    : KLPreferencesPane(std::move(preferences), parent) {
    const auto containerCodecs = [record = this->preferences()] {
        return KLPreferences::listVideoCodecNamesForContainer(record->container());
    };
    m_codec = binding().choices(QStringLiteral("videoCodec"), containerCodecs, this);
    m_keepCodec =
        binding().check(QStringLiteral("useInputFilesVideoCodec"), tr("Keep the input's video codec"), this);
    m_resolution = new QComboBox(this);
    m_resolution->setAccessibleName(tr("Size"));
    m_keepResolution = new QCheckBox(tr("Keep the input's size"), this);
    m_maximum = new QCheckBox(tr("Use the size as a maximum"), this);
    m_aspectRatio = binding().check(QStringLiteral("keepAspectRatio"), tr("Keep the aspect ratio"), this);
    auto *form = new QFormLayout(this);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    form->addRow(tr("Video codec:"), m_codec);
    form->addRow(QString(), m_keepCodec);
    form->addRow(tr("Size:"), m_resolution);
    form->addRow(QString(), m_keepResolution);
    form->addRow(QString(), m_maximum);
    form->addRow(QString(), m_aspectRatio);
    connect(m_resolution, &QComboBox::activated, this, &KLVideoPreferencesViewController::onResolution);
    connect(m_keepResolution, &QCheckBox::clicked, this, &KLVideoPreferencesViewController::onKeepResolution);
    connect(m_maximum, &QCheckBox::clicked, this, &KLVideoPreferencesViewController::onMaximum);
    setupWithPreferences();
}

QString KLVideoPreferencesViewController::sizeText(const QSizeF &size) {
    return QString::asprintf("%.0fx%.0f", size.width(), size.height());
}

void KLVideoPreferencesViewController::setupWithPreferences() {
    KLPreferencesPane::setupWithPreferences();
    const KLPreferences &record = *preferences();
    // Nothing here applies when nothing is converted or the output holds no picture.
    setEnabled(record.container() != KLPreferences::downloadOnlyNoConversion &&
               record.outputMode() != KLOutputMode::AudioOnly);
    const QSignalBlocker quiet(m_resolution);
    m_resolution->clear();
    for (const QSizeF &size : KLPreferences::listDefaultVideoResolutions()) {
        m_resolution->addItem(sizeText(size));
    }
    const QString current = sizeText(record.resolution());
    if (m_resolution->findText(current) < 0) {
        m_resolution->addItem(current);
    }
    m_resolution->addItem(KLPreferencesBinding::customItem);
    m_resolution->setCurrentIndex(m_resolution->findText(current));
    m_keepResolution->setChecked(record.useInputFilesResolution());
    m_maximum->setChecked(record.useAsMaximumResolution());
    m_codec->setEnabled(!record.useInputFilesVideoCodec());
    for (QWidget *sizeControl : {static_cast<QWidget *>(m_resolution), static_cast<QWidget *>(m_maximum),
                                 static_cast<QWidget *>(m_aspectRatio)}) {
        sizeControl->setEnabled(!record.useInputFilesResolution());
    }
}

void KLVideoPreferencesViewController::onResolution(int index) {
    const QString text = m_resolution->itemText(index);
    if (text != KLPreferencesBinding::customItem) {
        preferences()->setResolution(KLKinolarkUtils::parseResolution(text));
        changed();
        return;
    }
    auto *dialog = new KLResolutionSelectionWindowController(preferences()->resolution(), window());
    connect(dialog, &KLResolutionSelectionWindowController::chosen, this, [this](const QSizeF &size) {
        preferences()->setResolution(size);
        changed();
    });
    connect(dialog, &QDialog::rejected, this, [this] { changed(); });
    dialog->open();
}

void KLVideoPreferencesViewController::onKeepResolution(bool keep) {
    KLPreferences &record = *preferences();
    record.setUseInputFilesResolution(keep);
    // The input's own size is neither a target nor a limit.
    record.setUseAsMaximumResolution(false);
    record.setKeepAspectRatio(false);
    changed();
}

void KLVideoPreferencesViewController::onMaximum(bool maximum) {
    KLPreferences &record = *preferences();
    record.setUseAsMaximumResolution(maximum);
    record.setUseInputFilesResolution(false);
    changed();
}
