#include "App/KLEntryRow.h"

#include "App/KLApplicationUI.h"
#include "App/KLEntryTableController.h"
#include "App/KLUIChange.h"
#include "Model/KLEntry/KLEntry.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLObjectRepository.h"
#include "Utils/KLQueuePersistence.h"

#include <utility>

KLEntryRow::KLEntryRow(std::shared_ptr<KLEntry> entry, std::weak_ptr<KLEntryTableController> table)
    : m_entry(std::move(entry)), m_table(std::move(table)) {}

void KLEntryRow::onProcess() {
    start(KLEntry::Placement::AsStored);
}

void KLEntryRow::startProcessingWithoutUserInput() {
    start(KLEntry::Placement::Automatic);
}

void KLEntryRow::start(KLEntry::Placement placement) {
    if (m_entry->processing()) {
        m_entry->cancel();
        return;
    }
    m_notificationPresented = false;
    m_entry->process(placement);
}

void KLEntryRow::onRemove() {
    if (const auto persistence = KLObjectRepository::singleton()->getQueuePersistence()) {
        persistence->removeURL(m_entry->originalURL());
    }
    if (const auto table = m_table.lock()) {
        table->entryViewControllerRemoveWasRequested(shared_from_this());
    }
    onMainThreadWithUI([](KLApplicationUI &ui) { ui.playSound(QStringLiteral("trash-empty")); });
}

void KLEntryRow::onMainThreadWithUI(KLUIChange::Change call) {
    const auto table = m_table.lock();
    if (const auto ui = table != nullptr ? table->ui() : nullptr) {
        KLUIChange::post(ui, std::move(call));
    }
}

void KLEntryRow::announceEnding() {
    const bool failed = m_entry->error() != nullptr;
    // A dismissed question where to put the file ends a run as well, with nothing to announce.
    if ((!failed && !m_entry->completed()) || m_notificationPresented.exchange(true)) {
        return;
    }
    const auto preferences = KLObjectRepository::singleton()->getPreferences();
    const bool notify = preferences == nullptr || preferences->sendNotifications();
    const QString title = m_entry->title();
    onMainThreadWithUI([entry = m_entry, failed, notify, title](KLApplicationUI &ui) {
        ui.entryFinished(entry);
        if (!notify) {
            return;
        }
        if (failed) {
            ui.presentNotification(errorNotificationTitle, errorNotificationText.arg(title),
                                   QStringLiteral("dialog-error"));
        } else {
            ui.presentNotification(doneNotificationTitle, doneNotificationText.arg(title),
                                   QStringLiteral("complete"));
        }
    });
}

void KLEntryRow::finishedProcessing() {
    const auto preferences = KLObjectRepository::singleton()->getPreferences();
    if (m_entry->error() == nullptr && m_entry->completed() && preferences != nullptr &&
        preferences->automaticallyRemoveWhenCompleted()) {
        if (const auto table = m_table.lock()) {
            table->entryViewControllerRemoveWasRequested(shared_from_this());
        }
    }
    announceEnding();
    refresh();
}

void KLEntryRow::refresh() {
    // Bursts of progress collapse into one refresh: only one is waiting on the main thread at a time.
    if (m_refreshPending.exchange(true)) {
        return;
    }
    KLDispatch::async([self = shared_from_this()] {
        self->m_refreshPending = false;
        self->refreshOnMainThread();
    });
}

void KLEntryRow::refreshOnMainThread() {
    if (m_entry->completed()) {
        const auto preferences = KLObjectRepository::singleton()->getPreferences();
        const auto persistence = KLObjectRepository::singleton()->getQueuePersistence();
        if (persistence != nullptr &&
            (preferences == nullptr || preferences->rememberQueue() != QStringLiteral("all"))) {
            persistence->removeURL(m_entry->originalURL());
        }
    }
    if (const auto table = m_table.lock()) {
        table->entryViewControllerEntryStateHasChanged(shared_from_this());
    }
}

void KLEntryRow::startedProcessing() {
    // Every run may announce its own ending, however it was started (the row's button, process all, the
    // automatic start).
    m_notificationPresented = false;
    refresh();
}

void KLEntryRow::follow() {
    const std::weak_ptr<KLEntryRow> weakSelf = weak_from_this();
    const auto then = [weakSelf](void (KLEntryRow::*call)()) {
        return [weakSelf, call] {
            if (const std::shared_ptr<KLEntryRow> self = weakSelf.lock()) {
                (self.get()->*call)();
            }
        };
    };
    KLEntry *entry = m_entry.get();
    m_connections = {
        QObject::connect(entry, &KLEntry::entryHasStartedProcessing, entry,
                         then(&KLEntryRow::startedProcessing)),
        QObject::connect(entry, &KLEntry::entryHasFinishedProcessing, entry,
                         then(&KLEntryRow::finishedProcessing)),
        QObject::connect(entry, &KLEntry::entryNewOriginalURL, entry, then(&KLEntryRow::refresh)),
        QObject::connect(entry, &KLEntry::entryNewTitle, entry, then(&KLEntryRow::refresh)),
        QObject::connect(entry, &KLEntry::entryNewRepresentativeImage, entry, then(&KLEntryRow::refresh)),
        QObject::connect(entry, &KLEntry::entryNewError, entry, then(&KLEntryRow::refresh)),
        QObject::connect(entry, &KLEntry::entryNewState, entry, then(&KLEntryRow::refresh)),
        QObject::connect(entry, &KLEntry::entryNewCompletionFactor, entry, then(&KLEntryRow::refresh)),
        QObject::connect(entry, &KLEntry::entryNewETA, entry, then(&KLEntryRow::refresh)),
        QObject::connect(entry, &KLEntry::entryCompleted, entry, then(&KLEntryRow::refresh)),
        QObject::connect(entry, &KLEntry::entryNewOutputFile, entry, then(&KLEntryRow::refresh)),
        QObject::connect(entry, &KLEntry::entryNewProperties, entry, then(&KLEntryRow::refresh)),
        QObject::connect(entry, &KLEntry::entryIsLocal, entry, then(&KLEntryRow::refresh)),
    };
}

void KLEntryRow::stopFollowing() {
    for (const QMetaObject::Connection &connection : std::exchange(m_connections, {})) {
        QObject::disconnect(connection);
    }
}

KLEntryRow::~KLEntryRow() {
    stopFollowing();
}
