#include "App/KLEntryRow.h"

#include "App/KLApplicationUI.h"
#include "App/KLUIChange.h"
#include "Model/KLEntry/KLEntry.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLQueuePersistence.h"
#include "Utils/KLServices.h"

#include <utility>

KLEntryRow::KLEntryRow(std::shared_ptr<KLEntry> entry, std::weak_ptr<KLApplicationUI> ui,
                       std::shared_ptr<const KLServices> services)
    : m_entry(std::move(entry)), m_ui(std::move(ui)), m_services(std::move(services)) {}

std::shared_ptr<KLDefaultPreferences> KLEntryRow::preferences() const {
    return KLServices::preferencesOf(m_services.get());
}

std::shared_ptr<KLQueuePersistence> KLEntryRow::persistence() const {
    return m_services != nullptr ? m_services->queuePersistence : nullptr;
}

KLEntryRow::~KLEntryRow() = default;

void KLEntryRow::onProcess() {
    start(KLEntry::Placement::AsStored);
}

void KLEntryRow::onPause() {
    if (m_entry->paused()) {
        start(KLEntry::Placement::AsStored);
    } else {
        m_entry->pause();
    }
}

void KLEntryRow::startProcessingWithoutUserInput() {
    if (m_entry->completed()) {
        return; // came back done from an earlier run of the program
    }
    start(KLEntry::Placement::Automatic);
}

void KLEntryRow::start(KLEntry::Placement placement) {
    if (m_entry->processing()) {
        m_entry->cancel();
        return;
    }
    m_notificationPresented = false;
    if (m_entry->paused()) {
        m_entry->resume(); // towards the destination it had, without asking again
        return;
    }
    m_entry->process(placement);
}

void KLEntryRow::onRemove() {
    if (const auto persistence = this->persistence()) {
        persistence->removeURL(m_entry->originalURL());
    }
    requestRemoval();
    onMainThreadWithUI([](KLApplicationUI &ui) { ui.playSound(QStringLiteral("trash-empty")); });
}

void KLEntryRow::requestRemoval() {
    const std::shared_ptr<KLEntryRow> keep = shared_from_this();
    Q_EMIT rowRemoveWasRequested();
}

void KLEntryRow::onMainThreadWithUI(KLUIChange::Change call) {
    if (const auto ui = m_ui.lock()) {
        KLUIChange::post(ui, std::move(call));
    }
}

void KLEntryRow::announceEnding() {
    const bool failed = m_entry->error() != nullptr;
    // A dismissed question where to put the file ends a run as well, with nothing to announce.
    if ((!failed && !m_entry->completed()) || std::exchange(m_notificationPresented, true)) {
        return;
    }
    const auto preferences = this->preferences();
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
    const auto preferences = this->preferences();
    if (m_entry->error() == nullptr && m_entry->completed() && preferences != nullptr &&
        preferences->automaticallyRemoveWhenCompleted()) {
        requestRemoval();
    }
    announceEnding();
    refresh();
}

void KLEntryRow::refresh() {
    // Bursts of progress collapse into one telling: only one is waiting at a time.
    if (std::exchange(m_refreshPending, true)) {
        return;
    }
    KLDispatch::async([self = shared_from_this()] {
        self->m_refreshPending = false;
        self->tellChange();
    });
}

void KLEntryRow::tellChange() {
    if (m_entry->completed()) {
        const auto preferences = this->preferences();
        const auto persistence = this->persistence();
        if (persistence != nullptr &&
            (preferences == nullptr || preferences->rememberQueue() != QStringLiteral("all"))) {
            persistence->removeURL(m_entry->originalURL());
        }
    }
    Q_EMIT rowStateHasChanged();
}

void KLEntryRow::startedProcessing() {
    // Every run may announce its own ending, however it was started (the row's button, process all, the
    // automatic start).
    m_notificationPresented = false;
    refresh();
}

void KLEntryRow::follow() {
    KLEntry *entry = m_entry.get();
    connect(entry, &KLEntry::entryHasStartedProcessing, this, &KLEntryRow::startedProcessing);
    connect(entry, &KLEntry::entryHasFinishedProcessing, this, &KLEntryRow::finishedProcessing);
    // Every other change only needs the row shown again; what a signal carries is read back from the entry.
    connect(entry, &KLEntry::entryNewOriginalURL, this, &KLEntryRow::refresh);
    connect(entry, &KLEntry::entryNewTitle, this, &KLEntryRow::refresh);
    connect(entry, &KLEntry::entryNewRepresentativeImage, this, &KLEntryRow::refresh);
    connect(entry, &KLEntry::entryNewError, this, &KLEntryRow::refresh);
    connect(entry, &KLEntry::entryNewState, this, &KLEntryRow::refresh);
    connect(entry, &KLEntry::entryNewCompletionFactor, this, &KLEntryRow::refresh);
    connect(entry, &KLEntry::entryNewETA, this, &KLEntryRow::refresh);
    connect(entry, &KLEntry::entryCompleted, this, &KLEntryRow::refresh);
    connect(entry, &KLEntry::entryNewOutputFile, this, &KLEntryRow::refresh);
    connect(entry, &KLEntry::entryNewProperties, this, &KLEntryRow::refresh);
    connect(entry, &KLEntry::entryIsLocal, this, &KLEntryRow::refresh);
}

void KLEntryRow::stopFollowing() {
    disconnect(m_entry.get(), nullptr, this, nullptr);
}
