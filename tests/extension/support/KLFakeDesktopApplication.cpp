#include "KLFakeDesktopApplication.h"

#include <QDBusConnection>

namespace {

const QString service = QStringLiteral("org.kinolark.KinolarkPro");
const QString objectPath = QStringLiteral("/org/kinolark/KinolarkPro");

} // namespace

KLFakeDesktopApplication::~KLFakeDesktopApplication() {
    if (m_started) {
        QDBusConnection::sessionBus().unregisterObject(objectPath);
        QDBusConnection::sessionBus().unregisterService(service);
    }
}

bool KLFakeDesktopApplication::start() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    m_started =
        bus.registerObject(objectPath, this, QDBusConnection::ExportAllSlots) && bus.registerService(service);
    return m_started;
}

void KLFakeDesktopApplication::Open(const QStringList &uris, const QVariantMap &,
                                    const QDBusMessage &message) {
    m_opened << uris;
    if (m_answer != Answer::Taken) {
        message.setDelayedReply(true);
    }
    if (m_answer == Answer::Refused) {
        QDBusConnection::sessionBus().send(message.createErrorReply(
            QStringLiteral("org.freedesktop.DBus.Error.Failed"), QStringLiteral("refused")));
    }
}
