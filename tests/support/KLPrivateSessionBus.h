#pragma once

#include <QProcess>
#include <QString>

// A session bus of the test's own (a dbus-daemon child process), so that tests of notifications, single
// instance and scripting never talk to the user's desktop. start() points this process's
// DBUS_SESSION_BUS_ADDRESS at it, before anything connects to the session bus; the daemon ends with the
// object.
class KLPrivateSessionBus final {
public:
    KLPrivateSessionBus() = default;
    ~KLPrivateSessionBus();
    KLPrivateSessionBus(const KLPrivateSessionBus &) = delete;
    KLPrivateSessionBus &operator=(const KLPrivateSessionBus &) = delete;

    // False when no daemon could be started.
    bool start();
    QString address() const { return m_address; }
    qint64 processId() const { return m_daemon.processId(); }

private:
    QProcess m_daemon;
    QString m_address;
};
