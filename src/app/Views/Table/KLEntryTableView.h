#pragma once

#include <QScrollArea>

#include <memory>
#include <vector>

class KLEntry;
class KLEntryTableController;
class KLEntryViewController;

// The queue's rows, one under the other, 130 points each, scrolling when there are more than the window
// shows. Rows are placed directly (no layout pass over all rows), so that adding a row to a long queue costs
// as little as adding one to a short one. Rows cannot be selected; the queue is one stop of the window's
// tab order, where the arrows, Home, End and the page keys move between rows and the current row is started
// or cancelled (Return, Space), removed (Delete), renamed (F2) or offers its actions (the menu key).
class KLEntryTableView final : public QScrollArea {
    Q_OBJECT

public:
    explicit KLEntryTableView(std::weak_ptr<KLEntryTableController> table, bool dark,
                              QWidget *parent = nullptr);

    void addEntry(const std::shared_ptr<KLEntry> &entry);
    void removeEntry(const std::shared_ptr<KLEntry> &entry);
    // Shows the entry's current state in its row.
    void refreshEntry(const std::shared_ptr<KLEntry> &entry);
    void updateTheme(bool dark);

    int numberOfRows() const { return static_cast<int>(m_rows.size()); }
    KLEntryViewController *rowAt(int index) const;
    KLEntryViewController *rowForEntry(const std::shared_ptr<KLEntry> &entry) const;
    int currentRow() const { return m_current; }
    void setCurrentRow(int index);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    // Where the entry's row goes so that the rows keep the queue's order.
    size_t placeFor(const std::shared_ptr<KLEntry> &entry) const;
    void placeRows(size_t from);
    // Acts on the current row for the key; false when the key is not the queue's.
    bool actOnCurrentRow(int key);
    int rowsPerPage() const;

    const std::weak_ptr<KLEntryTableController> m_table;
    bool m_dark;
    QWidget *m_content;
    std::vector<KLEntryViewController *> m_rows;
    int m_current = -1;
};
