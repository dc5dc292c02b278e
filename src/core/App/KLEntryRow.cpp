#include "App/KLEntryRow.h"

#include "App/KLApplicationUI.h"
#include "App/KLEntryTableController.h"
#include "App/KLUIChange.h"
#include "Model/KLEntry/KLEntry.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLObjectRepository.h"
#include "Utils/KLQueuePersistence.h"

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

void KLEntryRow::entryHasFinishedProcessing(KLEntry *entry) {
    const auto preferences = KLObjectRepository::singleton()->getPreferences();
    if (entry->error() == nullptr && entry->completed() && preferences != nullptr &&
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

void KLEntryRow::entryHasStartedProcessing(KLEntry *) {
    // Every run may announce its own ending, however it was started (the row's button, process all, the
    // automatic start).
    m_notificationPresented = false;
    refresh();
}
void KLEntryRow::entryNewOriginalURL(KLEntry *, const QUrl &) {
    refresh();
}
void KLEntryRow::entryNewTitle(KLEntry *, const QString &) {
    refresh();
}
void KLEntryRow::entryNewRepresentativeImage(KLEntry *, const QImage &) {
    refresh();
}
void KLEntryRow::entryNewError(KLEntry *, const std::shared_ptr<KLError> &) {
    refresh();
}
void KLEntryRow::entryNewState(KLEntry *, const QString &) {
    refresh();
}
void KLEntryRow::entryNewCompletionFactor(KLEntry *, double) {
    refresh();
}
void KLEntryRow::entryNewETA(KLEntry *, const QString &) {
    refresh();
}
void KLEntryRow::entryCompleted(KLEntry *) {
    refresh();
}
void KLEntryRow::entryNewOutputFile(KLEntry *, const QString &) {
    refresh();
}
void KLEntryRow::entryNewProperties(KLEntry *, const std::shared_ptr<KLVideoProperties> &) {
    refresh();
}
void KLEntryRow::entryIsLocal(KLEntry *, bool) {
    refresh();
}
