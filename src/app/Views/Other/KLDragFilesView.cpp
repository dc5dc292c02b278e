#include "Views/Other/KLDragFilesView.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

KLDragFilesView::KLDragFilesView(QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void KLDragFilesView::setDragEnabled(bool enabled) {
    m_dragEnabled = enabled;
    setAcceptDrops(enabled);
}

QStringList KLDragFilesView::localPaths(const QMimeData &data) {
    QStringList paths;
    for (const QUrl &url : data.urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    return paths;
}

bool KLDragFilesView::accepts(const QMimeData &data) const {
    return m_dragEnabled && (!localPaths(data).isEmpty() || data.hasText() || data.hasUrls());
}

void KLDragFilesView::dragEnterEvent(QDragEnterEvent *event) {
    if (accepts(*event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void KLDragFilesView::dragMoveEvent(QDragMoveEvent *event) {
    if (accepts(*event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
}

void KLDragFilesView::dropEvent(QDropEvent *event) {
    const QMimeData &data = *event->mimeData();
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (m_delegate == nullptr) {
        return;
    }
    const QStringList paths = localPaths(data);
    if (!paths.isEmpty()) {
        m_delegate->dragFilesViewFilesWereDropped(paths);
        return;
    }
    // Links dragged from a browser come as URLs; their text is what the link detector reads.
    QString text = data.text();
    if (text.isEmpty() && data.hasUrls()) {
        for (const QUrl &url : data.urls()) {
            text += url.toString() + QLatin1Char('\n');
        }
    }
    if (!text.isEmpty()) {
        m_delegate->dragFilesViewStringWasDragged(text);
    }
}
