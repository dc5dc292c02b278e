#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class KLApplicationUI;
class KLEntry;
class KLEntryRow;
class KLEntryTableControllerDelegate;

// The queue as the user sees it: one row per entry, in order. Rows are added and removed from any thread
// under the queue's lock; the window hears of every change on the main thread. A new entry starts by itself
// when downloads start automatically: as the stored setting says, unless the program running the queue
// decided for itself (the command line starts everything it finds, and nothing more once interrupted).
class KLEntryTableController final : public std::enable_shared_from_this<KLEntryTableController> {
public:
    KLEntryTableController() = default;
    ~KLEntryTableController();
    KLEntryTableController(const KLEntryTableController &) = delete;
    KLEntryTableController &operator=(const KLEntryTableController &) = delete;

    void setDelegate(const std::weak_ptr<KLEntryTableControllerDelegate> &delegate);
    void setUI(const std::weak_ptr<KLApplicationUI> &ui);
    std::shared_ptr<KLApplicationUI> ui() const;

    // Whether new entries start by themselves; nothing follows the stored setting again.
    void setAutomaticStart(std::optional<bool> start);
    void addEntry(const std::shared_ptr<KLEntry> &entry);
    // Removes the entry's row (found by identity); the entry is not cancelled here.
    void removeEntry(const std::shared_ptr<KLEntry> &entry);
    std::vector<std::shared_ptr<KLEntry>> getEntries() const;
    std::shared_ptr<KLEntryRow> rowForEntry(const std::shared_ptr<KLEntry> &entry) const;

    // Row calls.
    void entryViewControllerRemoveWasRequested(const std::shared_ptr<KLEntryRow> &row);
    void entryViewControllerEntryStateHasChanged(const std::shared_ptr<KLEntryRow> &row);

private:
    bool removeRow(const std::function<bool(const std::shared_ptr<KLEntryRow> &)> &matches);
    void tellCount(int count);
    bool startsAutomatically() const;

    mutable std::mutex m_lock;
    std::vector<std::shared_ptr<KLEntryRow>> m_entryControllers;
    std::weak_ptr<KLEntryTableControllerDelegate> m_delegate;
    std::weak_ptr<KLApplicationUI> m_ui;
    std::optional<bool> m_automaticStart;
};
