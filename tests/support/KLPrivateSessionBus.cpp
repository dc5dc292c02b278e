#include "KLPrivateSessionBus.h"

#include "KLTestEnvironment.h"

KLPrivateSessionBus::~KLPrivateSessionBus() {
    KLTestEnvironment::stopServer(m_daemon);
}

bool KLPrivateSessionBus::start() {
    m_address =
        KLTestEnvironment::startServer(m_daemon, QStringLiteral("dbus-daemon"),
                                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                        QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    if (m_address.isEmpty()) {
        return false;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
    return true;
}
