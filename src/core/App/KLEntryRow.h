#pragma once

#include "Model/KLEntry/KLEntry.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class KLApplicationUI;
class KLDefaultPreferences;
class KLQueuePersistence;
class KLServices;

// The queue-driving half of one row: it follows its entry's signals, starts and cancels the entry, asks its
// queue to remove it (a completed entry, when the user wants that), forgets the URL of a completed entry,
// and tells its queue that the row changed. The changes of one turn of the event loop are told once, after
// the calls that made them. Main thread only.
class KLEntryRow final : public QObject, public std::enable_shared_from_this<KLEntryRow> {
    Q_OBJECT

public:
    // The services give the settings and the remembered queue; without them the row does without.
    KLEntryRow(std::shared_ptr<KLEntry> entry, std::weak_ptr<KLApplicationUI> ui,
               std::shared_ptr<const KLServices> services);
    ~KLEntryRow();
    KLEntryRow(const KLEntryRow &) = delete;
    KLEntryRow &operator=(const KLEntryRow &) = delete;

    // Subscribes to the entry's changes; the queue calls it once the row is owned, and stopFollowing() when
    // the row leaves the queue.
    void follow();
    void stopFollowing();

    std::shared_ptr<KLEntry> entry() const { return m_entry; }

    // The row's main button: cancels a running entry, else starts it.
    void onProcess();
    // The row's pause button: pauses a running entry, resumes a paused one.
    void onPause();
    // A start nobody asked for in person: the output is placed without asking where.
    void startProcessingWithoutUserInput();
    // The row's remove button (hidden while the entry runs): forgets the URL and removes the row.
    void onRemove();
    // Whether this run's ending has been announced (one notification per run).
    bool notificationPresented() const { return m_notificationPresented; }

    static inline const QString errorNotificationTitle = QStringLiteral("Error while processing");
    static inline const QString errorNotificationText = QStringLiteral("Error while processing %1");
    static inline const QString doneNotificationTitle = QStringLiteral("Finished processing");
    static inline const QString doneNotificationText = QStringLiteral("Processing completed for %1");

    // A run began, or ended (an ended run may remove its row and is announced once).
    void startedProcessing();
    void finishedProcessing();

Q_SIGNALS:
    // The row is to leave its queue.
    void rowRemoveWasRequested();
    // What the row shows changed.
    void rowStateHasChanged();

private:
    void start(KLEntry::Placement placement);
    // Asks for one telling of the changes at the next turn of the event loop.
    void refresh();
    void tellChange();
    // Emits the request with the row held, since its queue may let go of it.
    void requestRemoval();
    // Tells the window of a run that ended with an error or a finished file, once per run.
    void announceEnding();
    std::shared_ptr<KLDefaultPreferences> preferences() const;
    std::shared_ptr<KLQueuePersistence> persistence() const;
    void onMainThreadWithUI(std::function<void(KLApplicationUI &ui)> call);

    const std::shared_ptr<KLEntry> m_entry;
    const std::weak_ptr<KLApplicationUI> m_ui;
    const std::shared_ptr<const KLServices> m_services;
    bool m_notificationPresented = false;
    bool m_refreshPending = false;
};
