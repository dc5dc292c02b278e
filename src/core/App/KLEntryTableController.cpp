#include "App/KLEntryTableController.h"

#include "App/KLApplicationUI.h"
#include "App/KLEntryRow.h"
#include "App/KLEntryTableControllerDelegate.h"
#include "Model/KLEntry/KLEntry.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLServices.h"

KLEntryTableController::KLEntryTableController(std::shared_ptr<const KLServices> services)
    : m_services(std::move(services)) {}

KLEntryTableController::~KLEntryTableController() {
    // An entry may outlive the queue (a run still placing its file): it tells no row any more.
    for (const auto &row : m_entryControllers) {
        row->stopFollowing();
    }
}

void KLEntryTableController::setDelegate(const std::weak_ptr<KLEntryTableControllerDelegate> &delegate) {
    m_delegate = delegate;
}

void KLEntryTableController::setUI(const std::weak_ptr<KLApplicationUI> &ui) {
    m_ui = ui;
}

std::shared_ptr<KLApplicationUI> KLEntryTableController::ui() const {
    return m_ui.lock();
}

void KLEntryTableController::addEntry(const std::shared_ptr<KLEntry> &entry) {
    addEntry(entry, {});
}

void KLEntryTableController::addEntry(const std::shared_ptr<KLEntry> &entry,
                                      const std::vector<std::shared_ptr<KLEntry>> &group) {
    auto row = std::make_shared<KLEntryRow>(entry, m_ui, m_services);
    follow(row);
    const size_t place =
        placeInOrder(entry, group, m_entryControllers,
                     [](const std::shared_ptr<KLEntryRow> &listed) { return listed->entry().get(); });
    m_entryControllers.insert(m_entryControllers.begin() + static_cast<std::ptrdiff_t>(place), row);
    tellCount(static_cast<int>(m_entryControllers.size()));
    KLDispatch::async([weakSelf = weak_from_this(), row] {
        const std::shared_ptr<KLEntryTableController> self = weakSelf.lock();
        if (self == nullptr) {
            return;
        }
        if (const std::shared_ptr<KLApplicationUI> ui = self->ui()) {
            ui->entryAdded(row->entry());
        }
        if (self->startsAutomatically()) {
            row->startProcessingWithoutUserInput();
        }
    });
}

void KLEntryTableController::setAutomaticStart(std::optional<bool> start) {
    m_automaticStart = start;
}

bool KLEntryTableController::startsAutomatically() const {
    if (m_automaticStart.has_value()) {
        return *m_automaticStart;
    }
    const auto preferences = KLServices::preferencesOf(m_services.get());
    return preferences != nullptr && preferences->automaticallyStartDownloading();
}

void KLEntryTableController::removeEntry(const std::shared_ptr<KLEntry> &entry) {
    removeRow([&entry](const std::shared_ptr<KLEntryRow> &row) { return row->entry() == entry; });
}

void KLEntryTableController::follow(const std::shared_ptr<KLEntryRow> &row) {
    row->follow();
    const std::weak_ptr<KLEntryTableController> weakSelf = weak_from_this();
    KLEntryRow *const listed = row.get();
    QObject::connect(listed, &KLEntryRow::rowRemoveWasRequested, listed, [weakSelf, listed] {
        if (const std::shared_ptr<KLEntryTableController> self = weakSelf.lock()) {
            self->removeRow([listed](const std::shared_ptr<KLEntryRow> &row) { return row.get() == listed; });
        }
    });
    QObject::connect(listed, &KLEntryRow::rowStateHasChanged, listed, [weakSelf, listed] {
        if (const std::shared_ptr<KLEntryTableController> self = weakSelf.lock()) {
            self->rowStateHasChanged(*listed);
        }
    });
}

bool KLEntryTableController::removeRow(
    const std::function<bool(const std::shared_ptr<KLEntryRow> &)> &matches) {
    std::shared_ptr<KLEntryRow> removed;
    for (auto row = m_entryControllers.begin(); row != m_entryControllers.end(); ++row) {
        if (matches(*row)) {
            removed = *row;
            m_entryControllers.erase(row);
            tellCount(static_cast<int>(m_entryControllers.size()));
            break;
        }
    }
    if (removed != nullptr) {
        // The user took the entry away (quitting removes none): nothing of it is kept for a later run.
        removed->entry()->forgetKeptDownload();
        removed->stopFollowing();
        QObject::disconnect(removed.get(), nullptr, nullptr, nullptr); // nor does it tell this queue
    }
    KLDispatch::async([weakSelf = weak_from_this(), removed] {
        const std::shared_ptr<KLEntryTableController> self = weakSelf.lock();
        const std::shared_ptr<KLApplicationUI> ui = self != nullptr ? self->ui() : nullptr;
        if (ui != nullptr && removed != nullptr) {
            ui->entryRemoved(removed->entry());
        }
    });
    return removed != nullptr;
}

std::vector<std::shared_ptr<KLEntry>> KLEntryTableController::getEntries() const {
    std::vector<std::shared_ptr<KLEntry>> entries;
    entries.reserve(m_entryControllers.size());
    for (const auto &row : m_entryControllers) {
        entries.push_back(row->entry());
    }
    return entries;
}

std::shared_ptr<KLEntryRow> KLEntryTableController::rowForEntry(const std::shared_ptr<KLEntry> &entry) const {
    for (const auto &row : m_entryControllers) {
        if (row->entry() == entry) {
            return row;
        }
    }
    return nullptr;
}

void KLEntryTableController::rowStateHasChanged(const KLEntryRow &row) {
    if (const std::shared_ptr<KLEntryTableControllerDelegate> delegate = m_delegate.lock()) {
        delegate->entryTableControllerEntriesStateHasChanged(this);
    }
    if (const std::shared_ptr<KLApplicationUI> ui = m_ui.lock()) {
        ui->entryChanged(row.entry());
    }
}

void KLEntryTableController::tellCount(int count) {
    if (const std::shared_ptr<KLEntryTableControllerDelegate> delegate = m_delegate.lock()) {
        delegate->entryTableControllerNumberOfEntriesModified(this, count);
    }
}
