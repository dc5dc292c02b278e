#include "KLPageHandOver.h"

#include "App/KLURLSchemeDecoder.h"
#include "Utils/KLSessionCookies.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QJsonDocument>
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

KLPageHandOver::Result tooLarge(qsizetype sourceBytes, qsizetype urlBytes) {
    return {std::nullopt,
            QStringLiteral("the page is too large to hand over: its source of %1 bytes makes a URL "
                           "of at least %2 bytes, and the application takes at most %3")
                .arg(sourceBytes)
                .arg(urlBytes)
                .arg(KLPageHandOver::maximumURLBytes)};
}

} // namespace

KLPageHandOver::Result KLPageHandOver::handOverURL(const QString &pageURL, const QString &source) {
    if (!KLURLSchemeDecoder::isAcceptedURL(QUrl(pageURL))) {
        return {std::nullopt, QStringLiteral("not a web or file address: %1").arg(pageURL.left(200))};
    }
    const QString address = withApplicationScheme(pageURL) + KLURLSchemeDecoder::dataMarker;
    // The application splits at the first marker: an address that holds one would lose its source.
    if (QUrl(KLURLSchemeDecoder::decode(address).urlText) != QUrl(pageURL)) {
        return {std::nullopt,
                QStringLiteral("the address cannot carry a page source: %1").arg(pageURL.left(200))};
    }
    // The bus carries the URL in UTF-8; the payload is ASCII.
    const qsizetype addressBytes = address.toUtf8().size();
    // Base64 alone makes four bytes of every three: a source that cannot fit even so is refused before
    // the encoding's copies of it are made.
    const qsizetype sourceBytes = source.toUtf8().size();
    const qsizetype leastURLBytes = addressBytes + (sourceBytes + 2) / 3 * 4;
    if (leastURLBytes > maximumURLBytes) {
        return tooLarge(sourceBytes, leastURLBytes);
    }
    const QString payload = KLURLSchemeDecoder::encodePayload(source);
    if (addressBytes + payload.size() > maximumURLBytes) {
        return tooLarge(sourceBytes, addressBytes + payload.size());
    }
    return {address + payload, {}};
}

QString KLPageHandOver::open(const QString &url, const QJsonArray &cookies) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return QStringLiteral("no session bus: %1").arg(bus.lastError().message());
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(applicationService, applicationPath,
                                       QStringLiteral("org.freedesktop.Application"), QStringLiteral("Open"));
    QVariantMap platformData;
    if (!cookies.isEmpty()) {
        platformData.insert(KLSessionCookies::platformDataKey,
                            QString::fromUtf8(QJsonDocument(cookies).toJson(QJsonDocument::Compact)));
    }
    call << QStringList{url} << platformData;
    const QDBusMessage reply = bus.call(call, QDBus::Block, answerTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage) {
        return {};
    }
    if (reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.NoReply")) {
        return QStringLiteral("KinolarkPro did not take the page: it did not answer within %1 seconds")
            .arg(answerTimeoutMs / 1000);
    }
    return QStringLiteral("KinolarkPro did not take the page: %1").arg(reply.errorMessage());
}
