#pragma once

#include <QStringList>
#include <QWidget>

class QMimeData;

// Hears what is dropped on the drop zone.
class KLDragFilesViewDelegate {
public:
    virtual ~KLDragFilesViewDelegate() = default;
    virtual void dragFilesViewFilesWereDropped(const QStringList &paths) = 0;
    virtual void dragFilesViewStringWasDragged(const QString &text) = 0;
};

// The window's drop zone: takes files (as local paths) or else text, while dragging is enabled. It paints
// nothing of its own.
class KLDragFilesView final : public QWidget {
    Q_OBJECT

public:
    explicit KLDragFilesView(QWidget *parent = nullptr);

    void setDelegate(KLDragFilesViewDelegate *delegate) { m_delegate = delegate; }
    bool dragEnabled() const { return m_dragEnabled; }
    void setDragEnabled(bool enabled);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    static QStringList localPaths(const QMimeData &data);
    bool accepts(const QMimeData &data) const;

    KLDragFilesViewDelegate *m_delegate = nullptr;
    bool m_dragEnabled = false;
};
