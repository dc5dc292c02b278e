#include "KLExtensionHost.h"

#include "KLAnswerDeadline.h"
#include "KLCaptureAdaptor.h"
#include "KLNativeMessageChannel.h"
#include "KLPageHandOver.h"
#include "Utils/KLSessionCookies.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QJsonArray>
#include <QUrl>

#include <cstdio>

namespace {

const QString replyKey = QStringLiteral("reply");
const QString listenKey = QStringLiteral("listen");
const QString urlKey = QStringLiteral("url");
const QString codeKey = QStringLiteral("code");
const QString cookiesKey = QStringLiteral("cookies");

// The browser has its answer by then whatever the bus does; the call's own timeout normally comes first.
constexpr std::chrono::milliseconds handOverDeadline{KLPageHandOver::answerTimeoutMs + 5000};

QByteArray failureLogLine(const QString &text) {
    return QByteArrayLiteral("KLPRESULTERROR: ") + text.toUtf8() + '\n';
}

QJsonObject failureAnswer(const QString &error) {
    // The browser takes at most 1 MB from the host; an error never needs that much.
    return {{QStringLiteral("ok"), false}, {QStringLiteral("error"), error.left(2000)}};
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
    const QJsonValue cookies = message.value(cookiesKey);
    if (!cookies.isUndefined() && !cookies.isArray()) {
        answer(QStringLiteral("the message's \"cookies\" must be a list"));
        return;
    }
    const KLPageHandOver::Result built = KLPageHandOver::handOverURL(url.toString(), code.toString());
    // Only the page's site's cookies go on, and only those a cookie file can hold.
    const QJsonArray session = KLSessionCookies::accepted(cookies.toArray(), QUrl(url.toString()));
    answer(built.url ? openInTime(*built.url, session) : built.error);
}

QString KLExtensionHost::openInTime(const QString &url, const QJsonArray &cookies) {
    // Connecting to a bus daemon that never serves the connection blocks for good, and so does Qt's
    // blocking call when the bus drops the connection: the deadline answers the browser then.
    const QString late =
        QStringLiteral("KinolarkPro did not take the page: the session bus did not answer within %1 seconds")
            .arg(handOverDeadline.count() / 1000);
    const KLAnswerDeadline deadline(handOverDeadline, m_channel.output(),
                                    KLNativeMessageChannel::frame(failureAnswer(late)), failureLogLine(late));
    return KLPageHandOver::open(url, cookies);
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
    const QByteArray line = failureLogLine(error);
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    std::fflush(stderr);
    m_channel.send(failureAnswer(error));
}
