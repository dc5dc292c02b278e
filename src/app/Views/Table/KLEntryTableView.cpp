#include "Views/Table/KLEntryTableView.h"

#include "App/KLEntryTableController.h"
#include "Views/Table/KLEntryViewController.h"

#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>

KLEntryTableView::KLEntryTableView(std::weak_ptr<KLEntryTableController> table, bool dark, QWidget *parent)
    : QScrollArea(parent), m_table(std::move(table)), m_dark(dark), m_content(new QWidget()) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(false);
    setWidget(m_content);
    m_content->resize(viewport()->width(), 0);
}

KLEntryViewController *KLEntryTableView::rowAt(int index) const {
    return index >= 0 && index < numberOfRows() ? m_rows[static_cast<size_t>(index)] : nullptr;
}

KLEntryViewController *KLEntryTableView::rowForEntry(const std::shared_ptr<KLEntry> &entry) const {
    const auto found = std::find_if(m_rows.begin(), m_rows.end(), [&entry](const KLEntryViewController *row) {
        return row->entry() == entry;
    });
    return found != m_rows.end() ? *found : nullptr;
}

void KLEntryTableView::addEntry(const std::shared_ptr<KLEntry> &entry) {
    if (rowForEntry(entry) != nullptr) {
        return;
    }
    auto *row = new KLEntryViewController(entry, m_table, m_dark, m_content);
    const size_t place = placeFor(entry);
    m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(place), row);
    placeRows(place);
    row->show();
}

size_t KLEntryTableView::placeFor(const std::shared_ptr<KLEntry> &entry) const {
    // The rows follow the queue's order, where an entry of a page may come before the others of its page.
    const std::shared_ptr<KLEntryTableController> table = m_table.lock();
    if (table == nullptr) {
        return m_rows.size();
    }
    return KLEntryTableController::placeInOrder(
        entry, table->getEntries(), m_rows,
        [](const KLEntryViewController *row) { return row->entry().get(); });
}

void KLEntryTableView::removeEntry(const std::shared_ptr<KLEntry> &entry) {
    const auto found = std::find_if(m_rows.begin(), m_rows.end(), [&entry](const KLEntryViewController *row) {
        return row->entry() == entry;
    });
    if (found == m_rows.end()) {
        return;
    }
    const auto index = static_cast<size_t>(found - m_rows.begin());
    (*found)->deleteLater();
    (*found)->hide();
    m_rows.erase(found);
    placeRows(index);
}

void KLEntryTableView::refreshEntry(const std::shared_ptr<KLEntry> &entry) {
    if (KLEntryViewController *row = rowForEntry(entry)) {
        row->apply();
    }
}

void KLEntryTableView::updateTheme(bool dark) {
    m_dark = dark;
    for (KLEntryViewController *row : m_rows) {
        row->updateTheme(dark);
    }
}

void KLEntryTableView::placeRows(size_t from) {
    const int width = viewport()->width();
    m_content->resize(width, static_cast<int>(m_rows.size()) * KLEntryViewController::rowHeight);
    for (size_t index = from; index < m_rows.size(); ++index) {
        m_rows[index]->setGeometry(0, static_cast<int>(index) * KLEntryViewController::rowHeight, width,
                                   KLEntryViewController::rowHeight);
    }
}

void KLEntryTableView::resizeEvent(QResizeEvent *event) {
    QScrollArea::resizeEvent(event);
    placeRows(0);
}
