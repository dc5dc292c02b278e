#include "Desktop/KLBrowserHostGrabber.h"

#include "Desktop/KLBrowserPresence.h"

#include <QDBusConnection>
#include <QDBusMessage>

std::optional<KLBrowserGrabber::Page> KLBrowserHostGrabber::grabPage(Browser browser) {
    for (const QString &service : KLBrowserPresence::serviceNames(browser)) {
        if (std::optional<Page> page = grabFrom(service)) {
            return page;
        }
    }
    return std::nullopt;
}

std::optional<KLBrowserGrabber::Page> KLBrowserHostGrabber::grabFrom(const QString &service) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, KLBrowserPresence::objectPath,
                                       KLBrowserPresence::interfaceName, QStringLiteral("CaptureActiveTab"));
    // Nothing starts a browser's host but the browser: without an owner the name fails at once.
    call.setAutoStartService(false);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, answerTimeoutMs);
    const QVariantList values = reply.arguments();
    if (reply.type() != QDBusMessage::ReplyMessage || values.size() != 2) {
        return std::nullopt;
    }
    Page page{QUrl(values.at(0).toString()), std::nullopt};
    if (!page.url.isValid() || page.url.isEmpty()) {
        return std::nullopt;
    }
    const QString html = values.at(1).toString();
    if (!html.isEmpty()) {
        page.html = html;
    }
    return page;
}
