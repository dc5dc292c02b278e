#pragma once

#include "App/KLBrowserGrabber.h"

#include <QObject>

class QAction;
class QSystemTrayIcon;

// The icon in the desktop's system tray, where there is one: its menu takes the page Firefox or Chrome
// shows, and cancels what runs while the window's cancel button is shown.
class KLTrayIcon final : public QObject {
    Q_OBJECT

public:
    explicit KLTrayIcon(QObject *parent = nullptr);

    bool available() const { return m_icon != nullptr; }
    void setCancelVisible(bool visible);
    QAction *cancelAction() const { return m_cancel; }

Q_SIGNALS:
    void grabRequested(KLBrowserGrabber::Browser browser);
    void cancelRequested();

private:
    QSystemTrayIcon *m_icon = nullptr;
    QAction *m_cancel = nullptr;
};
