#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_set>
#include <vector>

class KLApplicationUI;
class KLEntry;
class KLEntryRow;
class KLEntryTableControllerDelegate;
class KLServices;

// The queue as the user sees it: one row per entry, in order, kept on the main thread; the window hears of
// every change there, after the call that made it. A new entry starts by itself
// when downloads start automatically: as the stored setting says, unless the program running the queue
// decided for itself (the command line starts everything it finds, and nothing more once interrupted).
class KLEntryTableController final : public std::enable_shared_from_this<KLEntryTableController> {
public:
    // The rows read the settings and the remembered queue from the services.
    explicit KLEntryTableController(std::shared_ptr<const KLServices> services = nullptr);
    ~KLEntryTableController();
    KLEntryTableController(const KLEntryTableController &) = delete;
    KLEntryTableController &operator=(const KLEntryTableController &) = delete;

    void setDelegate(const std::weak_ptr<KLEntryTableControllerDelegate> &delegate);
    void setUI(const std::weak_ptr<KLApplicationUI> &ui);
    std::shared_ptr<KLApplicationUI> ui() const;
    const std::shared_ptr<const KLServices> &services() const { return m_services; }

    // Whether new entries start by themselves; nothing follows the stored setting again.
    void setAutomaticStart(std::optional<bool> start);
    void addEntry(const std::shared_ptr<KLEntry> &entry);
    // Adds an entry of `group` (entries in the order their page gave them, which may reach the queue in any
    // order) before the first queued entry that follows it in the group, or at the end.
    void addEntry(const std::shared_ptr<KLEntry> &entry, const std::vector<std::shared_ptr<KLEntry>> &group);
    // Removes the entry's row (found by identity); the entry is not cancelled here.
    void removeEntry(const std::shared_ptr<KLEntry> &entry);
    std::vector<std::shared_ptr<KLEntry>> getEntries() const;
    std::shared_ptr<KLEntryRow> rowForEntry(const std::shared_ptr<KLEntry> &entry) const;

    // Where `entry` goes among `rows` (each showing the entry `entryOf` gives) so that they keep the order
    // of `order`: before the first row whose entry follows it in `order`, or at the end.
    template <typename Row, typename EntryOf>
    static size_t placeInOrder(const std::shared_ptr<KLEntry> &entry,
                               const std::vector<std::shared_ptr<KLEntry>> &order,
                               const std::vector<Row> &rows, EntryOf entryOf) {
        const auto own = std::find(order.begin(), order.end(), entry);
        std::unordered_set<const KLEntry *> later;
        for (auto next = own == order.end() ? own : own + 1; next != order.end(); ++next) {
            later.insert(next->get());
        }
        const auto first = std::find_if(rows.begin(), rows.end(),
                                        [&](const Row &row) { return later.contains(entryOf(row)); });
        return static_cast<size_t>(first - rows.begin());
    }

private:
    // Makes the row follow its entry and this queue hear the row.
    void follow(const std::shared_ptr<KLEntryRow> &row);
    void rowStateHasChanged(const KLEntryRow &row);
    bool removeRow(const std::function<bool(const std::shared_ptr<KLEntryRow> &)> &matches);
    void tellCount(int count);
    bool startsAutomatically() const;

    const std::shared_ptr<const KLServices> m_services;
    std::vector<std::shared_ptr<KLEntryRow>> m_entryControllers;
    std::weak_ptr<KLEntryTableControllerDelegate> m_delegate;
    std::weak_ptr<KLApplicationUI> m_ui;
    std::optional<bool> m_automaticStart;
};
