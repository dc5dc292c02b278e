#include "KLExtensionHost.h"

#include "KLCaptureAdaptor.h"
#include "KLNativeMessageChannel.h"
#include "KLPageHandOver.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>

#include <cstdio>

namespace {

const QString replyKey = QStringLiteral("reply");
const QString listenKey = QStringLiteral("listen");
const QString urlKey = QStringLiteral("url");
const QString codeKey = QStringLiteral("code");

void logFailure(const QString &text) {
    std::fprintf(stderr, "KLPRESULTERROR: %s\n", qPrintable(text));
    std::fflush(stderr);
}

} // namespace

KLExtensionHost::KLExtensionHost(KLNativeMessageChannel &channel, KLBrowserIdentity::Browser browser,
                                 QObject *parent)
    : QObject(parent), m_channel(channel), m_browser(browser) {
    connect(&channel, &KLNativeMessageChannel::messageReceived, this, &KLExtensionHost::onMessage);
    connect(&channel, &KLNativeMessageChannel::messageRefused, this,
            [this](const QString &reason) { answer(reason); });
    connect(&channel, &KLNativeMessageChannel::inputEnded, this, &KLExtensionHost::onInputEnded);
}

void KLExtensionHost::onMessage(const QJsonObject &message) {
    if (message.contains(replyKey)) {
        if (m_capture != nullptr) {
            m_capture->deliver(message);
        }
    } else if (message.contains(listenKey)) {
        listen();
    } else {
        handOver(message);
    }
}

void KLExtensionHost::onInputEnded(const QString &error) {
    if (!error.isEmpty()) {
        answer(error);
    }
    if (m_capture != nullptr) {
        m_capture->abandonAll();
        QDBusConnection::sessionBus().interface()->unregisterService(m_busName);
    }
    QCoreApplication::exit(error.isEmpty() ? 0 : 1);
}

void KLExtensionHost::handOver(const QJsonObject &message) {
    const QJsonValue url = message.value(urlKey);
    const QJsonValue code = message.value(codeKey);
    if (!url.isString() || !code.isString()) {
        answer(QStringLiteral("the message needs \"url\" and \"code\", both strings"));
        return;
    }
    const KLPageHandOver::Result built = KLPageHandOver::handOverURL(url.toString(), code.toString());
    answer(built.url ? KLPageHandOver::open(*built.url) : built.error);
}

void KLExtensionHost::listen() {
    if (m_browser == KLBrowserIdentity::Browser::Unknown) {
        answer(QStringLiteral("this host was not started by a browser it knows"));
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        answer(QStringLiteral("no session bus: %1").arg(bus.lastError().message()));
        return;
    }
    if (m_capture == nullptr) {
        m_capture = new KLCaptureAdaptor(
            &m_busObject, [this](const QJsonObject &request) { return m_channel.send(request); });
        bus.registerObject(KLBrowserIdentity::objectPath, &m_busObject);
        m_busName = KLBrowserIdentity::busName(m_browser);
    }
    // A second profile of the same browser waits in line and takes over when the first one closes.
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> registered =
        bus.interface()->registerService(m_busName, QDBusConnectionInterface::QueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    answer(registered.isValid() ? QString()
                                : QStringLiteral("cannot take %1 on the session bus: %2")
                                      .arg(m_busName, registered.error().message()));
}

void KLExtensionHost::answer(const QString &error) {
    if (error.isEmpty()) {
        m_channel.send({{QStringLiteral("ok"), true}});
        return;
    }
    logFailure(error);
    // The browser takes at most 1 MB from the host; an error never needs that much.
    m_channel.send({{QStringLiteral("ok"), false}, {QStringLiteral("error"), error.left(2000)}});
}
