#include "Views/Table/KLEntryTableView.h"

#include "App/KLEntryTableController.h"
#include "Model/KLEntry/KLEntry.h"
#include "Views/Other/KLHoverButton.h"
#include "Views/Table/KLEntryViewController.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QKeyEvent>
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
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Queue"));
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
    if (m_current >= numberOfRows()) {
        m_current = -1;
        setCurrentRow(numberOfRows() - 1);
    } else if (m_current >= 0) {
        rowAt(m_current)->setCurrent(hasFocus());
    }
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

void KLEntryTableView::setCurrentRow(int index) {
    if (m_rows.empty()) {
        m_current = -1;
        return;
    }
    index = std::clamp(index, 0, numberOfRows() - 1);
    if (KLEntryViewController *previous = rowAt(m_current); previous != nullptr && m_current != index) {
        previous->setCurrent(false);
    }
    m_current = index;
    KLEntryViewController *row = rowAt(index);
    row->setCurrent(hasFocus());
    ensureWidgetVisible(row, 0, 0);
    if (hasFocus() && QAccessible::isActive()) {
        // A reader follows the keyboard from row to row and reads each as its title and state.
        QAccessibleEvent moved(row, QAccessible::Focus);
        QAccessible::updateAccessibility(&moved);
    }
}

int KLEntryTableView::rowsPerPage() const {
    return std::max(1, viewport()->height() / KLEntryViewController::rowHeight);
}

void KLEntryTableView::keyPressEvent(QKeyEvent *event) {
    const int key = event->key();
    const int moved = key == Qt::Key_Up         ? m_current - 1
                      : key == Qt::Key_Down     ? m_current + 1
                      : key == Qt::Key_Home     ? 0
                      : key == Qt::Key_End      ? numberOfRows() - 1
                      : key == Qt::Key_PageUp   ? m_current - rowsPerPage()
                      : key == Qt::Key_PageDown ? m_current + rowsPerPage()
                                                : -2;
    if (key == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        actOnCurrentRow(Qt::Key_Menu); // the other key for a context menu
        event->accept();
    } else if (moved != -2 && event->modifiers() == Qt::NoModifier) {
        setCurrentRow(moved);
        event->accept();
    } else if (event->modifiers() == Qt::NoModifier && actOnCurrentRow(key)) {
        event->accept();
    } else {
        QScrollArea::keyPressEvent(event);
    }
}

bool KLEntryTableView::actOnCurrentRow(int key) {
    KLEntryViewController *row = rowAt(m_current);
    if (row == nullptr) {
        return false;
    }
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        row->onProcess();
        return true;
    case Qt::Key_Delete:
        // As the remove button, which a running entry does not offer.
        if (row->removeButton()->isVisibleTo(row)) {
            row->onRemove();
        }
        return true;
    case Qt::Key_P:
        // Pauses a running entry, resumes a paused one.
        if (row->pauseButton()->isVisibleTo(row) || row->entry()->paused()) {
            row->onPause();
        }
        return true;
    case Qt::Key_F2:
        row->rename();
        return true;
    case Qt::Key_Menu:
        // Answered here rather than left to become a context menu event, which only the window system makes.
        row->showActionsMenu(row->mapToGlobal(row->rect().center()));
        return true;
    default:
        return false;
    }
}

void KLEntryTableView::focusInEvent(QFocusEvent *event) {
    QScrollArea::focusInEvent(event);
    setCurrentRow(m_current < 0 ? 0 : m_current);
}

void KLEntryTableView::focusOutEvent(QFocusEvent *event) {
    QScrollArea::focusOutEvent(event);
    if (KLEntryViewController *row = rowAt(m_current)) {
        row->setCurrent(false);
    }
}

void KLEntryTableView::contextMenuEvent(QContextMenuEvent *event) {
    // The menu key acts on the current row; the right button on the row under the pointer.
    KLEntryViewController *row = nullptr;
    QPoint position = event->globalPos();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        row = rowAt(m_current);
        if (row != nullptr) {
            position = row->mapToGlobal(row->rect().center());
        }
    } else {
        row = rowAt((m_content->mapFromGlobal(event->globalPos()).y()) / KLEntryViewController::rowHeight);
    }
    if (row != nullptr) {
        row->showActionsMenu(position);
    }
}
