#include "KLPageHandOver.h"

#include "App/KLURLSchemeDecoder.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QUrl>
#include <QVariantMap>

namespace {

// "http://" and "https://" become "kinlkurl://" and "kinlkurls://": only the scheme's first four letters
// change, so an address holding "http" elsewhere stays as it is.
QString withApplicationScheme(const QString &pageURL) {
    const QString scheme = QUrl(pageURL).scheme().toLower();
    if ((scheme != QStringLiteral("http") && scheme != QStringLiteral("https")) ||
        !pageURL.startsWith(scheme, Qt::CaseInsensitive)) {
        return pageURL;
    }
    return QStringLiteral("kinlkurl") + pageURL.mid(4);
}

} // namespace

KLPageHandOver::Result KLPageHandOver::handOverURL(const QString &pageURL, const QString &source) {
    if (!KLURLSchemeDecoder::isAcceptedURL(QUrl(pageURL))) {
        return {std::nullopt, QStringLiteral("not a web or file address: %1").arg(pageURL.left(200))};
    }
    const QString url = withApplicationScheme(pageURL) + KLURLSchemeDecoder::dataMarker +
                        KLURLSchemeDecoder::encodePayload(source);
    if (url.size() > maximumURLLength) {
        return {
            std::nullopt,
            QStringLiteral("the page's source is too large to hand over (%1 characters)").arg(source.size())};
    }
    // The application splits at the first marker: an address that holds one would lose its source.
    const KLURLSchemeDecoder::Request decoded = KLURLSchemeDecoder::decode(url);
    if (QUrl(decoded.urlText) != QUrl(pageURL) || !decoded.source.has_value()) {
        return {std::nullopt,
                QStringLiteral("the address cannot carry a page source: %1").arg(pageURL.left(200))};
    }
    return {url, {}};
}

QString KLPageHandOver::open(const QString &url) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return QStringLiteral("no session bus: %1").arg(bus.lastError().message());
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(applicationService, applicationPath,
                                       QStringLiteral("org.freedesktop.Application"), QStringLiteral("Open"));
    call << QStringList{url} << QVariantMap();
    const QDBusMessage reply = bus.call(call, QDBus::Block, answerTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        return QStringLiteral("KinolarkPro did not take the page: %1").arg(reply.errorMessage());
    }
    return {};
}
