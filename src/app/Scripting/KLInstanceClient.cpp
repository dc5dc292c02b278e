#include "Scripting/KLInstanceClient.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

#include <cstdio>

int KLInstanceClient::open(const QStringList &urls) {
    if (urls.isEmpty()) {
        return send(applicationInterface, QStringLiteral("Activate"), {QVariantMap()});
    }
    return send(applicationInterface, QStringLiteral("Open"), {urls, QVariantMap()});
}

int KLInstanceClient::call(const QString &method, const QVariantList &arguments) {
    return send(commandsInterface, method, arguments);
}

int KLInstanceClient::send(const QString &interface, const QString &method, const QVariantList &arguments) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        fprintf(stderr, "kinolarkpro: no session bus: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    QDBusMessage message = QDBusMessage::createMethodCall(serviceName, objectPath, interface, method);
    message.setArguments(arguments);
    const QDBusMessage reply = bus.call(message);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        fprintf(stderr, "%s\n", qPrintable(reply.errorMessage()));
        return 1;
    }
    return 0;
}
