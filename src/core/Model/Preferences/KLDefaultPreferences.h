#pragma once

#include "Model/Preferences/KLPreferences.h"
#include "Model/Preferences/KLPreferencesField.h"
#include "Utils/KLCoalescedJob.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QVariant>

#include <atomic>
#include <cstdint>
#include <memory>

// The application-wide preferences: the conversion settings plus the application settings (limits of the
// scheduler, queue behaviour, theme, proxies, notifications). They are written whole to the per-user
// settings store (~/.config/KinolarkPro/KinolarkPro.conf, readable by its owner only, since it holds proxy
// passwords); load() reads it back at launch.
//
// Other programs write the same file meanwhile (another window, command lines with --save), each from a
// record loaded at its own start. A write therefore puts only the keys whose value this record changed since
// it last read or wrote them, over the file as it is at that moment; a key the file lacks is filled in, so
// that the file always holds the whole set. What another program saved stays unless this one changed it too.
//
// A change only marks the record as changed and asks the main thread's event loop for one write: a slider
// dragged across its range or a pane that applies ten fields writes the file once. The programs call
// flush() when they end, and the destructor writes what is still pending.
//
// It lives on the main thread: the panes edit it there, the scheduler and the entries read it there. The
// settings that change the running application itself (theme, add button, rows shown) are announced by
// signals.
class KLDefaultPreferences final : public QObject, public KLPreferences {
    Q_OBJECT

public:
    static inline const QString storeMarkerKey = QStringLiteral("preferencesSaved");

    KLDefaultPreferences();
    ~KLDefaultPreferences() override;

    // The conversion defaults and start-up preset, then the application defaults and the desktop folder.
    void initDefaults() override;

    // Writes now, when saving is on: the keys this record changed, and every key the file lacks (the marker
    // included). After initDefaults() every key counts as changed.
    void save();
    // Writes the changes not written yet, when saving is on; nothing when there are none.
    void flush();
    // Reads the stored set back. Values the store cannot have got from save() leave their field alone.
    void load();
    // Empties the store, so the next launch starts from the defaults; changes not written yet are dropped.
    void clear();
    // The settings file, for whoever needs to show or guard it.
    static QString storeFilePath();
    // The application field stored under the key (its range and stored form); nothing for an unknown key.
    static const KLPreferencesField<KLDefaultPreferences> *applicationField(const QString &key);

    // The download proxy as yt-dlp and curl take it, login included: it goes into a file only the user can
    // read (KLDownloadProxyFile), never onto a command line. Empty without a proxy.
    QString proxyURL() const;
    QString updateProxyURL() const;

    bool saving() const { return m_saving; }
    // Turning saving off first writes what was changed while it was on.
    void setSaving(bool saving);

    uint64_t numberOfConcurrentDownloads() const { return read(m_numberOfConcurrentDownloads); }
    void setNumberOfConcurrentDownloads(uint64_t value) { write(m_numberOfConcurrentDownloads, value); }
    uint64_t numberOfConcurrentProcessing() const { return read(m_numberOfConcurrentProcessing); }
    void setNumberOfConcurrentProcessing(uint64_t value) { write(m_numberOfConcurrentProcessing, value); }
    bool automaticallyStartDownloading() const { return read(m_automaticallyStartDownloading); }
    void setAutomaticallyStartDownloading(bool value) { write(m_automaticallyStartDownloading, value); }
    bool importIntoItunes() const { return read(m_importIntoItunes); }
    void setImportIntoItunes(bool value) { write(m_importIntoItunes, value); }
    bool automaticallyRemoveWhenCompleted() const { return read(m_automaticallyRemoveWhenCompleted); }
    void setAutomaticallyRemoveWhenCompleted(bool value) { write(m_automaticallyRemoveWhenCompleted, value); }
    QString theme() const { return read(m_theme); }
    // Announces the dark theme for exactly "dark", else the light one.
    void setTheme(const QString &theme);
    uint64_t queueSize() const { return read(m_queueSize); }
    // The window shows this many rows at most.
    void setQueueSize(uint64_t value);
    QString provider() const { return read(m_provider); }
    void setProvider(const QString &value) { write(m_provider, value); }

    bool useProxy() const { return read(m_useProxy); }
    void setUseProxy(bool value) { write(m_useProxy, value); }
    QString proxyProtocol() const { return read(m_proxyProtocol); }
    void setProxyProtocol(const QString &value) { write(m_proxyProtocol, value); }
    QString proxyHost() const { return read(m_proxyHost); }
    void setProxyHost(const QString &value) { write(m_proxyHost, value); }
    QString proxyPort() const { return read(m_proxyPort); }
    void setProxyPort(const QString &value) { write(m_proxyPort, value); }
    QString proxyUsername() const { return read(m_proxyUsername); }
    void setProxyUsername(const QString &value) { write(m_proxyUsername, value); }
    QString proxyPassword() const { return read(m_proxyPassword); }
    void setProxyPassword(const QString &value) { write(m_proxyPassword, value); }

    bool useUpdateProxy() const { return read(m_useUpdateProxy); }
    void setUseUpdateProxy(bool value) { write(m_useUpdateProxy, value); }
    QString updateProxyHost() const { return read(m_updateProxyHost); }
    void setUpdateProxyHost(const QString &value) { write(m_updateProxyHost, value); }
    QString updateProxyPort() const { return read(m_updateProxyPort); }
    void setUpdateProxyPort(const QString &value) { write(m_updateProxyPort, value); }
    QString updateProxyUsername() const { return read(m_updateProxyUsername); }
    void setUpdateProxyUsername(const QString &value) { write(m_updateProxyUsername, value); }
    QString updateProxyPassword() const { return read(m_updateProxyPassword); }
    void setUpdateProxyPassword(const QString &value) { write(m_updateProxyPassword, value); }

    bool sendNotifications() const { return read(m_sendNotifications); }
    void setSendNotifications(bool value) { write(m_sendNotifications, value); }
    QString addButtonBehaviour() const { return read(m_addButtonBehaviour); }
    void setAddButtonBehaviour(const QString &value);
    QString rememberQueue() const { return read(m_rememberQueue); }
    void setRememberQueue(const QString &value) { write(m_rememberQueue, value); }
    bool followYoutubeLists() const { return read(m_followYoutubeLists); }
    void setFollowYoutubeLists(bool value) { write(m_followYoutubeLists, value); }
    // How long what a stopped download fetched is kept for a later run, in days.
    uint64_t keptDownloadsDays() const { return read(m_keptDownloadsDays); }
    void setKeptDownloadsDays(uint64_t value) { write(m_keptDownloadsDays, value); }
    // The browser whose cookies the downloader sends ("firefox", "chromium:Profile 1"); empty for none.
    QString cookiesFromBrowser() const { return read(m_cookiesFromBrowser); }
    void setCookiesFromBrowser(const QString &value) { write(m_cookiesFromBrowser, value); }
    // A cookie file for this run of the program only, sent instead of a browser's cookies: never stored.
    QString cookieFile() const { return m_cookieFile; }
    void setCookieFile(const QString &path) { m_cookieFile = path; }

Q_SIGNALS:
    // Sent by setTheme(), setQueueSize() and setAddButtonBehaviour() on every call, whether or not the value
    // changed, from the thread that called them.
    void themeChanged(bool dark);
    void queueSizeChanged();
    void addButtonBehaviourChanged();

protected:
    void fieldsDidChange() override;

private:
    void writeApplicationDefaults();
    // Writes when `onlyIfChanged` is off or something changed since the last write.
    void writeStore(bool onlyIfChanged);
    QHash<QString, QVariant> storedValues() const;
    // Takes the record's values as what the file holds, as far as this record knows.
    void rememberStoredValues();

    bool m_saving = false;
    bool m_changed = false;
    // Every key's stored form as this record last read or wrote it; a key whose value differs from it is one
    // this record changed. Empty after initDefaults(), so that a revert writes every key.
    QHash<QString, QVariant> m_storedValues;
    KLCoalescedJob m_pendingFlush{[this] { flush(); }};

    uint64_t m_numberOfConcurrentDownloads = 3;
    uint64_t m_numberOfConcurrentProcessing = 1;
    bool m_automaticallyStartDownloading = false;
    bool m_importIntoItunes = false;
    bool m_automaticallyRemoveWhenCompleted = false;
    QString m_theme;
    uint64_t m_queueSize = 3;
    QString m_provider;
    bool m_useProxy = false;
    QString m_proxyProtocol;
    QString m_proxyHost;
    QString m_proxyPort;
    QString m_proxyUsername;
    QString m_proxyPassword;
    bool m_useUpdateProxy = false;
    QString m_updateProxyHost;
    QString m_updateProxyPort;
    QString m_updateProxyUsername;
    QString m_updateProxyPassword;
    bool m_sendNotifications = true;
    QString m_addButtonBehaviour;
    QString m_rememberQueue;
    bool m_followYoutubeLists = false;
    uint64_t m_keptDownloadsDays = 7;
    QString m_cookiesFromBrowser;
    QString m_cookieFile;
};
