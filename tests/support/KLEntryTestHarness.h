#pragma once

#include "Model/KLEntry/KLEntryDelegate.h"

#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <memory>
#include <mutex>

class KLDefaultPreferences;
class KLEntry;
class KLTaskManager;

// Records what an entry tells its delegate, from whichever thread it tells it.
class KLRecordingEntryDelegate final : public KLEntryDelegate {
public:
    QStringList states() const;
    QStringList events() const;
    int finishedCount() const;
    int startedCount() const;
    double highestCompletionFactor() const;

    void entryHasStartedProcessing(KLEntry *entry) override;
    void entryHasFinishedProcessing(KLEntry *entry) override;
    void entryNewOriginalURL(KLEntry *entry, const QUrl &originalURL) override;
    void entryNewTitle(KLEntry *entry, const QString &title) override;
    void entryNewRepresentativeImage(KLEntry *entry, const QImage &image) override;
    void entryNewError(KLEntry *entry, const std::shared_ptr<KLError> &error) override;
    void entryNewState(KLEntry *entry, const QString &state) override;
    void entryNewCompletionFactor(KLEntry *entry, double completionFactor) override;
    void entryNewETA(KLEntry *entry, const QString &eta) override;
    void entryCompleted(KLEntry *entry) override;
    void entryNewOutputFile(KLEntry *entry, const QString &outputFile) override;
    void entryNewProperties(KLEntry *entry, const std::shared_ptr<KLVideoProperties> &properties) override;
    void entryIsLocal(KLEntry *entry, bool local) override;

private:
    void record(const QString &event);

    mutable std::mutex m_lock;
    QStringList m_events;
    QStringList m_states;
    int m_started = 0;
    int m_finished = 0;
    double m_highest = 0.0;
};

// Registers the services entries use (stored preferences with the output folder in a temporary folder,
// scheduler, ffmpeg command factory) for the life of the harness, and removes them afterwards.
class KLEntryTestHarness final {
public:
    KLEntryTestHarness();
    ~KLEntryTestHarness();

    std::shared_ptr<KLDefaultPreferences> preferences() const { return m_preferences; }
    std::shared_ptr<KLTaskManager> taskManager() const { return m_taskManager; }
    QString outputDirectory() const { return m_output.path(); }

    // Attaches a recording delegate, processes the entry and waits until it has ended; false on timeout.
    static bool processAndWait(const std::shared_ptr<KLEntry> &entry,
                               std::chrono::milliseconds timeout = std::chrono::seconds(120));
    static bool waitForEnd(const std::shared_ptr<KLEntry> &entry, const KLRecordingEntryDelegate &delegate,
                           int endings, std::chrono::milliseconds timeout = std::chrono::seconds(120));
    // The run folders of the downloads folder (none should be left after a run).
    static QStringList temporaryFolders();
    // True when no yt-dlp or ffmpeg started by this process (or its children) runs any more.
    static bool noToolsRunning();

private:
    QTemporaryDir m_output;
    std::shared_ptr<KLDefaultPreferences> m_preferences;
    std::shared_ptr<KLTaskManager> m_taskManager;
};
