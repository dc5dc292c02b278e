#include "Model/Preferences/KLDefaultPreferences.h"

#include "Model/KLTask/YTDL/KLDownloaderCookies.h"
#include "Model/Preferences/KLPreferencesField.h"
#include "Model/Preferences/KLPreferencesFields.h"
#include "Model/Preferences/KLSettingsStore.h"
#include "Utils/KLKeptDownloads.h"
#include "Utils/KLKinolarkUtils.h"

#include <QHash>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

using ApplicationField = KLPreferencesField<KLDefaultPreferences>;

const QString organisationName = QStringLiteral("KinolarkPro");
const QString applicationName = QStringLiteral("KinolarkPro");
const QString providerKey = QStringLiteral("provider");

QString applicationKey(const char *name) {
    return QString::fromLatin1(name);
}

std::vector<ApplicationField> buildApplicationFields() {
    using D = KLDefaultPreferences;
    // A limit of 0 would start nothing, ever; a queue of 0 rows would show nothing.
    const KLValueRange atLeastOne{1, 999};
    return {
        ApplicationField::number(applicationKey("numberOfConcurrentDownloads"),
                                 &D::numberOfConcurrentDownloads, &D::setNumberOfConcurrentDownloads,
                                 atLeastOne),
        ApplicationField::number(applicationKey("numberOfConcurrentProcessing"),
                                 &D::numberOfConcurrentProcessing, &D::setNumberOfConcurrentProcessing,
                                 atLeastOne),
        ApplicationField::yesNo(applicationKey("automaticallyStartDownloading"),
                                &D::automaticallyStartDownloading, &D::setAutomaticallyStartDownloading),
        ApplicationField::yesNo(applicationKey("importIntoITunes"), &D::importIntoItunes,
                                &D::setImportIntoItunes),
        ApplicationField::yesNo(applicationKey("automaticallyRemoveWhenCompleted"),
                                &D::automaticallyRemoveWhenCompleted,
                                &D::setAutomaticallyRemoveWhenCompleted),
        ApplicationField::text(applicationKey("theme"), &D::theme, &D::setTheme),
        ApplicationField::number(applicationKey("queueSize"), &D::queueSize, &D::setQueueSize, true,
                                 atLeastOne),
        ApplicationField::text(providerKey, &D::provider, &D::setProvider),
        ApplicationField::yesNo(applicationKey("useProxy"), &D::useProxy, &D::setUseProxy),
        ApplicationField::text(applicationKey("proxyProtocol"), &D::proxyProtocol, &D::setProxyProtocol),
        ApplicationField::text(applicationKey("proxyHost"), &D::proxyHost, &D::setProxyHost),
        ApplicationField::text(applicationKey("proxyUsername"), &D::proxyUsername, &D::setProxyUsername),
        ApplicationField::text(applicationKey("proxyPassword"), &D::proxyPassword, &D::setProxyPassword),
        ApplicationField::text(applicationKey("proxyPort"), &D::proxyPort, &D::setProxyPort),
        ApplicationField::yesNo(applicationKey("useUpdateProxy"), &D::useUpdateProxy, &D::setUseUpdateProxy),
        ApplicationField::text(applicationKey("updateProxyHost"), &D::updateProxyHost,
                               &D::setUpdateProxyHost),
        ApplicationField::text(applicationKey("updateProxyUsername"), &D::updateProxyUsername,
                               &D::setUpdateProxyUsername),
        ApplicationField::text(applicationKey("updateProxyPassword"), &D::updateProxyPassword,
                               &D::setUpdateProxyPassword),
        ApplicationField::text(applicationKey("updateProxyPort"), &D::updateProxyPort,
                               &D::setUpdateProxyPort),
        ApplicationField::yesNo(applicationKey("sendNotifications"), &D::sendNotifications,
                                &D::setSendNotifications),
        ApplicationField::text(applicationKey("addButtonBehaviour"), &D::addButtonBehaviour,
                               &D::setAddButtonBehaviour),
        ApplicationField::text(applicationKey("rememberQueue"), &D::rememberQueue, &D::setRememberQueue),
        ApplicationField::yesNo(applicationKey("followYoutubeLists"), &D::followYoutubeLists,
                                &D::setFollowYoutubeLists),
        ApplicationField::number(applicationKey("keptDownloadsDays"), &D::keptDownloadsDays,
                                 &D::setKeptDownloadsDays, KLValueRange{1, 365}),
        ApplicationField::text(applicationKey("cookiesFromBrowser"), &D::cookiesFromBrowser,
                               &D::setCookiesFromBrowser,
                               [](const QString &stored) {
                                   return stored.isEmpty() || KLDownloaderCookies::isKnownBrowser(stored);
                               }),
    };
}

const std::vector<ApplicationField> &applicationFields() {
    static const std::vector<ApplicationField> fields = buildApplicationFields();
    return fields;
}

// Credentials inside a URL must not be able to end the user name or the host early.
QString encodedCredential(const QString &credential) {
    return QString::fromLatin1(QUrl::toPercentEncoding(credential));
}

// A host or port holding what only other parts of a URL hold ("@", "/", "?", "#") would send the traffic
// elsewhere; encoded, such a proxy simply cannot be reached, so nothing goes out around it.
QString hostAndPort(const QString &host, const QString &port) {
    QString text = QString::fromLatin1(QUrl::toPercentEncoding(host, "[]:"));
    if (!port.isEmpty()) {
        text += QLatin1Char(':') + QString::fromLatin1(QUrl::toPercentEncoding(port));
    }
    return text;
}

} // namespace

KLDefaultPreferences::KLDefaultPreferences() : KLPreferences(DeferDefaults{}) {
    setSaving(false);
    initDefaults();
    rememberStoredValues();
    setSaving(true);
}

KLDefaultPreferences::~KLDefaultPreferences() {
    // No posted write may reach the record once it is gone; what it still holds is written here.
    m_pendingFlush.stop();
    flush();
}

void KLDefaultPreferences::initDefaults() {
    m_storedValues.clear();
    ChangeBatch batch(*this);
    KLPreferences::initDefaults();
    writeApplicationDefaults();
    setDownloadLocation(KLKinolarkUtils::getDesktopDirectory());
}

void KLDefaultPreferences::writeApplicationDefaults() {
    setNumberOfConcurrentDownloads(3);
    setNumberOfConcurrentProcessing(1);
    setAutomaticallyStartDownloading(false);
    setImportIntoItunes(false);
    setAutomaticallyRemoveWhenCompleted(false);
    setTheme(QStringLiteral("light"));
    setQueueSize(3);
    setProvider(QStringLiteral(""));
    setUseProxy(false);
    setProxyProtocol(QStringLiteral("SOCKS5"));
    setProxyHost(QStringLiteral(""));
    setProxyPort(QStringLiteral(""));
    setProxyUsername(QStringLiteral(""));
    setProxyPassword(QStringLiteral(""));
    setUseUpdateProxy(false);
    setUpdateProxyHost(QStringLiteral(""));
    setUpdateProxyPort(QStringLiteral(""));
    setUpdateProxyUsername(QStringLiteral(""));
    setUpdateProxyPassword(QStringLiteral(""));
    setSendNotifications(true);
    setAddButtonBehaviour(QStringLiteral("show choices"));
    setRememberQueue(QStringLiteral("none"));
    setFollowYoutubeLists(false);
    setKeptDownloadsDays(KLKeptDownloads::defaultMaximumAgeInDays);
    setCookiesFromBrowser(QString());
}

void KLDefaultPreferences::fieldsDidChange() {
    if (!saving()) {
        return;
    }
    m_changed = true;
    m_pendingFlush.request();
}

void KLDefaultPreferences::setSaving(bool saving) {
    if (!saving) {
        flush();
    }
    m_saving = saving;
}

const KLPreferencesField<KLDefaultPreferences> *KLDefaultPreferences::applicationField(const QString &key) {
    const auto &fields = applicationFields();
    const auto found = std::find_if(fields.begin(), fields.end(),
                                    [&key](const ApplicationField &field) { return field.key == key; });
    return found != fields.end() ? &*found : nullptr;
}

QString KLDefaultPreferences::storeFilePath() {
    // Where QSettings keeps an organisation's application settings in its native (INI) format.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') +
           organisationName + QLatin1Char('/') + applicationName + QStringLiteral(".conf");
}

void KLDefaultPreferences::save() {
    writeStore(false);
}

void KLDefaultPreferences::flush() {
    writeStore(true);
}

void KLDefaultPreferences::writeStore(bool onlyIfChanged) {
    if (!saving()) {
        return;
    }
    if (!std::exchange(m_changed, false) && onlyIfChanged) {
        return;
    }
    const QHash<QString, QVariant> values = storedValues();
    const bool written = KLSettingsStore(storeFilePath()).write([this, &values](QSettings &store) {
        for (auto value = values.cbegin(); value != values.cend(); ++value) {
            const auto known = m_storedValues.constFind(value.key());
            if (known == m_storedValues.cend() || *known != value.value() || !store.contains(value.key())) {
                store.setValue(value.key(), value.value());
            }
        }
    });
    // After a failed write the changes still differ from what the file is known to hold, so the next write
    // puts them again.
    if (written) {
        m_storedValues = values;
    }
}

void KLDefaultPreferences::rememberStoredValues() {
    const QHash<QString, QVariant> values = storedValues();
    m_storedValues = values;
}

QHash<QString, QVariant> KLDefaultPreferences::storedValues() const {
    QHash<QString, QVariant> values;
    for (const auto &field : KLPreferencesFields::conversionFields()) {
        values.insert(field.key, field.store(*this));
    }
    for (const auto &field : applicationFields()) {
        values.insert(field.key, field.store(*this));
    }
    values.insert(storeMarkerKey, QStringLiteral("yes"));
    return values;
}

void KLDefaultPreferences::load() {
    QHash<QString, QString> stored;
    QHash<QString, QVariant> values;
    values = KLSettingsStore(storeFilePath()).read();
    for (auto value = values.cbegin(); value != values.cend(); ++value) {
        // A hand-edited line such as "=value" has no key to read.
        if (value.key().isEmpty()) {
            continue;
        }
        if (const auto text = KLPreferencesStoredForm::textOf(value.value())) {
            stored.insert(value.key(), *text);
        }
    }
    const auto marker = stored.constFind(storeMarkerKey);
    if (marker == stored.cend() || marker->compare(QLatin1String("yes"), Qt::CaseInsensitive) != 0) {
        return;
    }

    // The values go in through the setters, which would otherwise write the half-loaded set back.
    const bool wasSaving = std::exchange(m_saving, false);
    for (const auto &field : KLPreferencesFields::conversionFields()) {
        if (stored.contains(field.key)) {
            field.load(*this, stored.value(field.key));
        }
    }
    if (!stored.contains(providerKey)) {
        setProvider(QStringLiteral(""));
    }
    for (const auto &field : applicationFields()) {
        if (stored.contains(field.key)) {
            field.load(*this, stored.value(field.key));
        }
    }
    rememberStoredValues();
    m_saving = wasSaving;
}

void KLDefaultPreferences::clear() {
    m_changed = false;
    KLSettingsStore(storeFilePath()).write([](QSettings &store) { store.clear(); });
}

void KLDefaultPreferences::setTheme(const QString &theme) {
    write(m_theme, theme);
    Q_EMIT themeChanged(theme == QLatin1String("dark"));
}

void KLDefaultPreferences::setQueueSize(uint64_t value) {
    write(m_queueSize, value);
    Q_EMIT queueSizeChanged();
}

void KLDefaultPreferences::setAddButtonBehaviour(const QString &value) {
    ChangeBatch batch(*this);
    write(m_addButtonBehaviour, value);
    Q_EMIT addButtonBehaviourChanged();
}

QString KLDefaultPreferences::proxyURL() const {
    if (!useProxy()) {
        return {};
    }
    QString url = proxyProtocol().toLower() + QStringLiteral("://");
    const QString username = proxyUsername();
    if (!username.isEmpty()) {
        url += encodedCredential(username);
        const QString password = proxyPassword();
        if (!password.isEmpty()) {
            url += QLatin1Char(':') + encodedCredential(password);
        }
        url += QLatin1Char('@');
    }
    url += hostAndPort(proxyHost(), proxyPort());
    return url;
}

QString KLDefaultPreferences::updateProxyURL() const {
    if (!useUpdateProxy()) {
        return {};
    }
    QString url = QStringLiteral("https://") + hostAndPort(updateProxyHost(), updateProxyPort());
    return url;
}
