#pragma once

#include "KLEntryRecorder.h"

#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <memory>

class KLDefaultPreferences;
class KLEntry;
class KLServices;
class KLTaskManager;

// The services entries use (stored preferences with the output folder in a temporary folder, scheduler,
// ffmpeg command factory), for the entries and generators a test makes with them.
class KLEntryTestHarness final {
public:
    KLEntryTestHarness();
    ~KLEntryTestHarness();

    const std::shared_ptr<KLServices> &services() const { return m_services; }
    std::shared_ptr<KLDefaultPreferences> preferences() const { return m_preferences; }
    std::shared_ptr<KLTaskManager> taskManager() const { return m_taskManager; }
    QString outputDirectory() const { return m_output.path(); }

    // Attaches a recorder (unless the entry has one), processes the entry and waits until it has ended;
    // false on timeout.
    static bool processAndWait(const std::shared_ptr<KLEntry> &entry,
                               std::chrono::milliseconds timeout = std::chrono::seconds(120));
    static bool waitForEnd(const std::shared_ptr<KLEntry> &entry, const KLEntryRecorder &delegate,
                           int endings, std::chrono::milliseconds timeout = std::chrono::seconds(120));
    // The run folders of the downloads folder (none should be left after a run).
    static QStringList temporaryFolders();
    // True when no yt-dlp or ffmpeg started by this process (or its children) runs any more.
    static bool noToolsRunning();

private:
    QTemporaryDir m_output;
    std::shared_ptr<KLDefaultPreferences> m_preferences;
    std::shared_ptr<KLTaskManager> m_taskManager;
    std::shared_ptr<KLServices> m_services;
};
