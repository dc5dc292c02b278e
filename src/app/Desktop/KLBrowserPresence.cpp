#include "Desktop/KLBrowserPresence.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

QStringList KLBrowserPresence::serviceNames(KLBrowserGrabber::Browser browser) {
    const QString prefix = QStringLiteral("org.kinolark.KinolarkPro.Browser.");
    if (browser == KLBrowserGrabber::Browser::Firefox) {
        return {prefix + QStringLiteral("Firefox")};
    }
    return {prefix + QStringLiteral("Chrome"), prefix + QStringLiteral("Chromium")};
}

bool KLBrowserPresence::isRunning(KLBrowserGrabber::Browser browser) {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    for (const QString &name : serviceNames(browser)) {
        if (bus.interface()->isServiceRegistered(name).value()) {
            return true;
        }
    }
    return false;
}
