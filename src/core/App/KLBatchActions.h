#pragma once

#include <memory>

class KLEntry;
struct KLControllerState;

// The actions on the whole queue (process all, pause and resume all, clear completed, clear all) and which of
// them the user interface offers, kept up to date as the queue and its entries change.
class KLBatchActions final : public std::enable_shared_from_this<KLBatchActions> {
public:
    explicit KLBatchActions(std::shared_ptr<KLControllerState> state);

    void clearAll();
    void processAll();
    void clearCompleted();
    // Pauses every entry that runs, keeping what it fetched; resumes every paused one.
    void pauseAll();
    void resumeAll();
    // Cancels every entry of the queue and removes it.
    void cancelAndRemoveAll();
    void updateControlButtonsState();

    // The queue's size changed; called with the queue's lock held.
    void numberOfEntriesModified(int count);
    void entriesStateHasChanged();

private:
    // Closes the popover the action was chosen in, then applies the action to every entry of the queue.
    void closePopoverAndApply(void (KLEntry::*action)());

    const std::shared_ptr<KLControllerState> m_state;
};
