#include "App/KLBatchActions.h"

#include "App/KLApplicationUI.h"
#include "App/KLControllerState.h"
#include "App/KLEntryTableController.h"
#include "App/KLUIChange.h"
#include "Model/KLEntry/KLEntry.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLQueuePersistence.h"
#include "Utils/KLServices.h"

#include <algorithm>

KLBatchActions::KLBatchActions(std::shared_ptr<KLControllerState> state) : m_state(std::move(state)) {}

void KLBatchActions::clearAll() {
    KLUIChange::post(m_state->ui, [](KLApplicationUI &ui) { ui.closeBatchPopover(); });
    if (const auto persistence = m_state->services->queuePersistence) {
        persistence->removeAll();
    }
    cancelAndRemoveAll();
}

void KLBatchActions::cancelAndRemoveAll() {
    for (const auto &entry : m_state->tableController->getEntries()) {
        entry->cancel();
        m_state->tableController->removeEntry(entry);
    }
}

void KLBatchActions::processAll() {
    KLUIChange::post(m_state->ui, [](KLApplicationUI &ui) { ui.closeBatchPopover(); });
    if (m_state->services->preferences == nullptr) {
        return;
    }
    // One question per entry would defeat the batch: each output is placed as an automatic start does.
    for (const auto &entry : m_state->tableController->getEntries()) {
        if (!entry->processing()) {
            entry->resetState();
            entry->process(KLEntry::Placement::Automatic);
        }
    }
}

void KLBatchActions::clearCompleted() {
    KLUIChange::post(m_state->ui, [](KLApplicationUI &ui) { ui.closeBatchPopover(); });
    for (const auto &entry : m_state->tableController->getEntries()) {
        if (entry->completed()) {
            m_state->tableController->removeEntry(entry);
        }
    }
}

void KLBatchActions::pauseAll() {
    closePopoverAndApply(&KLEntry::pause);
}

void KLBatchActions::resumeAll() {
    closePopoverAndApply(&KLEntry::resume);
}

void KLBatchActions::closePopoverAndApply(void (KLEntry::*action)()) {
    KLUIChange::post(m_state->ui, [](KLApplicationUI &ui) { ui.closeBatchPopover(); });
    for (const auto &entry : m_state->tableController->getEntries()) {
        ((*entry).*action)();
    }
}

void KLBatchActions::updateControlButtonsState() {
    const auto entries = m_state->tableController->getEntries();
    const bool pending = std::any_of(entries.begin(), entries.end(), [](const auto &entry) {
        return !entry->processing() && !entry->completed();
    });
    const bool completed =
        std::any_of(entries.begin(), entries.end(), [](const auto &entry) { return entry->completed(); });
    const bool any = !entries.empty();
    const bool running =
        std::any_of(entries.begin(), entries.end(), [](const auto &entry) { return entry->processing(); });
    const bool paused =
        std::any_of(entries.begin(), entries.end(), [](const auto &entry) { return entry->paused(); });
    KLUIChange::post(m_state->ui, [pending, completed, any, running, paused](KLApplicationUI &ui) {
        ui.setBatchActions(pending, completed, any);
        ui.setPauseActions(running, paused);
    });
}

void KLBatchActions::numberOfEntriesModified(int count) {
    KLUIChange::post(m_state->ui, [count](KLApplicationUI &ui) { ui.numberOfEntriesChanged(count); });
    // Called with the queue's lock held: the scan of the entries waits for the main thread.
    KLDispatch::async([self = shared_from_this()] { self->updateControlButtonsState(); });
}

void KLBatchActions::entriesStateHasChanged() {
    updateControlButtonsState();
}
