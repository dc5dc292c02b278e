#pragma once

class KLEntryTableController;

// Follows the queue: its size after every change (called with the queue's lock held) and any entry's change.
class KLEntryTableControllerDelegate {
public:
    virtual ~KLEntryTableControllerDelegate() = default;
    virtual void entryTableControllerNumberOfEntriesModified(KLEntryTableController *controller,
                                                             int count) = 0;
    virtual void entryTableControllerEntriesStateHasChanged(KLEntryTableController *controller) = 0;
};
