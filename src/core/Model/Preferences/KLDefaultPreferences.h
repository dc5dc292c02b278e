#pragma once

#include "Model/Preferences/KLPreferences.h"
#include "Model/Preferences/KLPreferencesApplicationSeam.h"
#include "Model/Preferences/KLPreferencesField.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

// The application-wide preferences: the conversion settings plus the application settings (limits of the
// scheduler, queue behaviour, theme, proxies, notifications). Every change is written at once, whole, to
// the per-user settings store (~/.config/KinolarkPro/KinolarkPro.conf, readable by its owner only, since it
// holds proxy passwords); load() reads it back at launch.
//
// Task threads and the scheduler read it while the panes edit it on the main thread; every field is guarded
// by the record's lock and the store by a lock of its own.
class KLDefaultPreferences final : public KLPreferences {
public:
    static inline const QString storeMarkerKey = QStringLiteral("preferencesSaved");

    KLDefaultPreferences();
    ~KLDefaultPreferences() override;

    // The conversion defaults and start-up preset, then the application defaults and the desktop folder.
    void initDefaults() override;

    // Writes every key (the marker included) and flushes, when saving is on.
    void save();
    // Reads the stored set back. Values the store cannot have got from save() leave their field alone.
    void load();
    // Empties the store, so the next launch starts from the defaults.
    void clear();
    // The settings file, for whoever needs to show or guard it.
    static QString storeFilePath();
    // The application field stored under the key (its range and stored form); nothing for an unknown key.
    static const KLPreferencesField<KLDefaultPreferences> *applicationField(const QString &key);

    // Held weakly: the application controller owns it.
    void setApplicationSeam(const std::weak_ptr<KLPreferencesApplicationSeam> &seam);

    // The proxy argument of the yt-dlp scripts; empty without a proxy.
    QString proxyURL() const;
    QString updateProxyURL() const;
    QString updateProxyAuth() const;

    bool saving() const { return m_saving; }
    void setSaving(bool saving) { m_saving = saving; }

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
    // Saves, then switches the application to the dark theme for exactly "dark", else to the light one.
    void setTheme(const QString &theme);
    uint64_t queueSize() const { return read(m_queueSize); }
    // The window shows this many rows at most; a change resizes it.
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
    // Asks the application controller to update the add button, then saves.
    void setAddButtonBehaviour(const QString &value);
    QString rememberQueue() const { return read(m_rememberQueue); }
    void setRememberQueue(const QString &value) { write(m_rememberQueue, value); }
    bool followYoutubeLists() const { return read(m_followYoutubeLists); }
    void setFollowYoutubeLists(bool value) { write(m_followYoutubeLists, value); }

protected:
    void fieldsDidChange() override;

private:
    void writeApplicationDefaults();
    std::shared_ptr<KLPreferencesApplicationSeam> applicationSeam() const;

    std::atomic<bool> m_saving{false};
    // The store is written from whichever thread changed a field; QSettings objects are not shared.
    std::mutex m_storeLock;
    mutable std::mutex m_seamLock;
    std::weak_ptr<KLPreferencesApplicationSeam> m_applicationSeam;

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
};
