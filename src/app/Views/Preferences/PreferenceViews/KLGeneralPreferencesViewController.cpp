#include "Views/Preferences/PreferenceViews/KLGeneralPreferencesViewController.h"

#include "Model/KLTask/YTDL/KLDownloaderCookies.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLKeptDownloads.h"
#include "Utils/KLKinolarkUtils.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>

namespace {

void selectTitle(QComboBox *box, const QString &stored) {
    const QSignalBlocker quiet(box);
    for (int index = 0; index < box->count(); ++index) {
        if (box->itemText(index).compare(stored, Qt::CaseInsensitive) == 0) {
            box->setCurrentIndex(index);
            return;
        }
    }
    box->setCurrentIndex(-1);
}

// The browsers whose cookies the downloader can read, as the popup titles them and the setting names them.
QList<QPair<QString, QString>> cookieBrowsers() {
    return {{QStringLiteral("None"), QString()},
            {QStringLiteral("Firefox"), QStringLiteral("firefox")},
            {QStringLiteral("Chromium"), QStringLiteral("chromium")},
            {QStringLiteral("Google Chrome"), QStringLiteral("chrome")}};
}

} // namespace

KLGeneralPreferencesViewController::KLGeneralPreferencesViewController(
    std::shared_ptr<KLDefaultPreferences> preferences, std::shared_ptr<KLKeptDownloads> keptDownloads,
    QWidget *parent)
    : KLPreferencesPane(preferences, parent), m_stored(std::move(preferences)),
      m_keptDownloads(std::move(keptDownloads)), m_folder(new QLabel(this)), m_keptSpace(new QLabel(this)),
      m_clearKept(new QPushButton(tr("Clear"), this)) {
    m_folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_folder->setWordWrap(true);
    auto *change = new QPushButton(tr("Change..."), this);
    change->setAccessibleName(tr("Change the download folder"));
    connect(change, &QPushButton::clicked, this, &KLGeneralPreferencesViewController::chooseDownloadFolder);
    m_downloads = limitField(QStringLiteral("numberOfConcurrentDownloads"),
                             &KLDefaultPreferences::setNumberOfConcurrentDownloads);
    m_processing = limitField(QStringLiteral("numberOfConcurrentProcessing"),
                              &KLDefaultPreferences::setNumberOfConcurrentProcessing);
    m_queueSize = limitField(QStringLiteral("queueSize"), &KLDefaultPreferences::setQueueSize);
    m_automaticStart = settingCheck(tr("Start downloading automatically"),
                                    &KLDefaultPreferences::setAutomaticallyStartDownloading);
    m_automaticRemove = settingCheck(tr("Remove finished videos from the queue"),
                                     &KLDefaultPreferences::setAutomaticallyRemoveWhenCompleted);
    m_importIntoLibrary = settingCheck(tr("Copy finished videos to the Videos or Music folder"),
                                       &KLDefaultPreferences::setImportIntoItunes);
    m_notifications =
        settingCheck(tr("Notify when a video is done"), &KLDefaultPreferences::setSendNotifications);
    m_followLists = settingCheck(tr("Follow YouTube lists"), &KLDefaultPreferences::setFollowYoutubeLists);
    m_theme =
        titledPopUp({tr("Light"), tr("Dark")}, [this](const QString &title) { stored().setTheme(title); });
    m_addButton =
        titledPopUp({QStringLiteral("Show choices"), QStringLiteral("Firefox"), QStringLiteral("Chrome")},
                    [this](const QString &title) { stored().setAddButtonBehaviour(title); });
    m_rememberQueue =
        titledPopUp({QStringLiteral("None"), QStringLiteral("Unfinished"), QStringLiteral("All")},
                    [this](const QString &title) { stored().setRememberQueue(title); });
    m_keptDays = limitField(QStringLiteral("keptDownloadsDays"), &KLDefaultPreferences::setKeptDownloadsDays);
    m_keptDays->setAccessibleName(tr("Days stopped downloads are kept"));
    m_clearKept->setAccessibleName(tr("Clear kept downloads"));
    connect(m_clearKept, &QPushButton::clicked, this,
            &KLGeneralPreferencesViewController::clearKeptDownloads);
    m_cookiesBrowser = new QComboBox(this);
    for (const auto &[title, browser] : cookieBrowsers()) {
        m_cookiesBrowser->addItem(title, browser);
    }
    connect(m_cookiesBrowser, &QComboBox::activated, this,
            &KLGeneralPreferencesViewController::storeCookiesBrowser);
    m_cookiesProfile = new QLineEdit(this);
    m_cookiesProfile->setPlaceholderText(tr("the browser's default"));
    m_cookiesProfile->setAccessibleName(tr("Browser profile"));
    connect(m_cookiesProfile, &QLineEdit::editingFinished, this,
            &KLGeneralPreferencesViewController::storeCookiesBrowser);
    auto *revert = new QPushButton(tr("Revert to Factory Defaults"), this);
    connect(revert, &QPushButton::clicked, this,
            &KLGeneralPreferencesViewController::revertToFactoryDefaults);

    auto *folder = new QHBoxLayout();
    folder->addWidget(m_folder, 1);
    folder->addWidget(change);
    auto *form = new QFormLayout(this);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    form->addRow(tr("Download folder:"), folder);
    form->addRow(tr("Downloads at once:"), m_downloads);
    form->addRow(tr("Conversions at once:"), m_processing);
    form->addRow(tr("Rows in the window:"), m_queueSize);
    for (QCheckBox *check :
         {m_automaticStart, m_automaticRemove, m_importIntoLibrary, m_notifications, m_followLists}) {
        form->addRow(QString(), check);
    }
    form->addRow(tr("Theme:"), m_theme);
    form->addRow(tr("The add button:"), m_addButton);
    form->addRow(tr("Remember the queue:"), m_rememberQueue);
    auto *keptDays = new QHBoxLayout();
    keptDays->addWidget(m_keptDays);
    keptDays->addWidget(new QLabel(tr("days"), this), 1);
    form->addRow(tr("Keep stopped downloads for:"), keptDays);
    if (m_keptDownloads != nullptr) {
        auto *kept = new QHBoxLayout();
        kept->addWidget(m_keptSpace, 1);
        kept->addWidget(m_clearKept);
        form->addRow(tr("Kept now:"), kept);
    } else {
        m_keptSpace->hide();
        m_clearKept->hide();
    }
    // Where a site wants its users signed in: a choice for those who choose their settings themselves.
    if (stored().settingsLevel() >= KLSettingsLevel::Advanced) {
        form->addRow(tr("Use the cookies of:"), m_cookiesBrowser);
        form->addRow(tr("Browser profile:"), m_cookiesProfile);
    } else {
        m_cookiesBrowser->hide();
        m_cookiesProfile->hide();
    }
    form->addRow(QString(), revert);
    setupWithPreferences();
}

QLineEdit *
KLGeneralPreferencesViewController::limitField(const QString &key,
                                               std::function<void(KLDefaultPreferences &, uint64_t)> store) {
    auto *field = new QLineEdit(this);
    connect(field, &QLineEdit::editingFinished, this, [this, key, field, store] {
        const auto *described = KLDefaultPreferences::applicationField(key);
        const KLValueRange range =
            described != nullptr && described->range ? *described->range : KLValueRange{};
        // 0 or no number at all becomes the least the setting takes.
        store(stored(), range.fromTyped(field->text()));
        changed();
    });
    return field;
}

QComboBox *KLGeneralPreferencesViewController::titledPopUp(const QStringList &titles,
                                                           std::function<void(const QString &)> store) {
    auto *box = new QComboBox(this);
    box->addItems(titles);
    connect(box, &QComboBox::activated, this, [box, store, this](int index) {
        // The stored value is the item's title in lower case.
        store(box->itemText(index).toLower());
        changed();
    });
    return box;
}

QCheckBox *
KLGeneralPreferencesViewController::settingCheck(const QString &text,
                                                 std::function<void(KLDefaultPreferences &, bool)> store) {
    auto *check = new QCheckBox(text, this);
    connect(check, &QCheckBox::clicked, this, [this, store](bool on) {
        store(stored(), on);
        changed();
    });
    return check;
}

void KLGeneralPreferencesViewController::setupWithPreferences() {
    KLPreferencesPane::setupWithPreferences();
    const KLDefaultPreferences &record = stored();
    m_folder->setText(record.downloadLocation());
    m_downloads->setText(QString::number(record.numberOfConcurrentDownloads()));
    m_processing->setText(QString::number(record.numberOfConcurrentProcessing()));
    m_queueSize->setText(QString::number(record.queueSize()));
    const QList<QPair<QCheckBox *, bool>> checks = {
        {m_automaticStart, record.automaticallyStartDownloading()},
        {m_automaticRemove, record.automaticallyRemoveWhenCompleted()},
        {m_importIntoLibrary, record.importIntoItunes()},
        {m_notifications, record.sendNotifications()},
        {m_followLists, record.followYoutubeLists()}};
    for (const auto &[check, on] : checks) {
        const QSignalBlocker quiet(check);
        check->setChecked(on);
    }
    // Only "dark" is the dark theme; anything else shows light.
    selectTitle(m_theme,
                record.theme() == QLatin1String("dark") ? QStringLiteral("dark") : QStringLiteral("light"));
    selectTitle(m_addButton, record.addButtonBehaviour());
    selectTitle(m_rememberQueue, record.rememberQueue());
    m_keptDays->setText(QString::number(record.keptDownloadsDays()));
    const QString cookies = record.cookiesFromBrowser();
    {
        const QSignalBlocker quiet(m_cookiesBrowser);
        m_cookiesBrowser->setCurrentIndex(
            std::max(0, m_cookiesBrowser->findData(KLDownloaderCookies::browserOf(cookies))));
    }
    if (!m_cookiesProfile->hasFocus()) {
        m_cookiesProfile->setText(cookies.section(QLatin1Char(':'), 1));
    }
    m_cookiesProfile->setEnabled(m_cookiesBrowser->currentIndex() > 0);
    showKeptSpace();
}

void KLGeneralPreferencesViewController::showKeptSpace() {
    if (m_keptDownloads == nullptr) {
        return;
    }
    const qint64 bytes = m_keptDownloads->totalBytes();
    m_keptSpace->setText(bytes > 0 ? KLKinolarkUtils::formatSizeInBytes(static_cast<uint64_t>(bytes))
                                   : tr("Nothing"));
    m_clearKept->setEnabled(bytes > 0);
}

void KLGeneralPreferencesViewController::storeCookiesBrowser() {
    QString browser = m_cookiesBrowser->currentData().toString();
    // A keyring given on the command line ("chromium+basictext") stays while its browser does.
    const QString before = stored().cookiesFromBrowser().section(QLatin1Char(':'), 0, 0);
    if (!browser.isEmpty() && KLDownloaderCookies::browserOf(before) == browser) {
        browser = before;
    }
    const QString profile = m_cookiesProfile->text().trimmed();
    stored().setCookiesFromBrowser(
        browser.isEmpty() || profile.isEmpty() ? browser : browser + QLatin1Char(':') + profile);
    changed();
}

void KLGeneralPreferencesViewController::clearKeptDownloads() {
    if (m_keptDownloads != nullptr) {
        m_keptDownloads->clear();
    }
    showKeptSpace();
}

void KLGeneralPreferencesViewController::chooseDownloadFolder() {
    auto *dialog = new QFileDialog(window(), tr("Download Folder"), stored().downloadLocation());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setWindowModality(Qt::WindowModal);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString &folder) {
        stored().setDownloadLocation(folder);
        changed();
    });
    dialog->open();
}

void KLGeneralPreferencesViewController::revertToFactoryDefaults() {
    stored().initDefaults();
    stored().save();
    Q_EMIT reverted();
}
