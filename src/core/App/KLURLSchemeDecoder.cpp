#include "App/KLURLSchemeDecoder.h"

#include <QByteArray>
#include <QStringDecoder>

namespace {

const QString plainScheme = QStringLiteral("kinlkurl://");
const QString secureScheme = QStringLiteral("kinlkurls://");

// Characters a URL path may hold as they are; everything else is percent-encoded by the sender.
const QByteArray pathCharacters = QByteArrayLiteral("!$&'()*+,;=:@/-._~");

std::optional<QString> strictUtf8(const QByteArray &bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

} // namespace

QString KLURLSchemeDecoder::replaceSchemes(const QString &text) {
    // Only the leading scheme: the same text further on belongs to the page's path or query.
    if (text.startsWith(plainScheme)) {
        return QStringLiteral("http://") + QStringView(text).mid(plainScheme.size());
    }
    if (text.startsWith(secureScheme)) {
        return QStringLiteral("https://") + QStringView(text).mid(secureScheme.size());
    }
    return text;
}

KLURLSchemeDecoder::Request KLURLSchemeDecoder::decode(const QString &text) {
    const QString replaced = replaceSchemes(text);
    Request request;
    if (!replaced.contains(dataMarker)) {
        request.urlText = replaced;
        return request;
    }
    const QStringList pieces = replaced.split(dataMarker);
    request.urlText = pieces.at(0);
    request.hasPayload = true;
    request.source = decodePayload(pieces.value(1));
    return request;
}

std::optional<QString> KLURLSchemeDecoder::decodePayload(const QString &payload) {
    const QByteArray unescaped = QByteArray::fromPercentEncoding(payload.toUtf8());
    const auto base64 = QByteArray::fromBase64Encoding(unescaped, QByteArray::AbortOnBase64DecodingErrors);
    if (!base64) {
        return std::nullopt;
    }
    const std::optional<QString> encoded = strictUtf8(*base64);
    if (!encoded) {
        return std::nullopt;
    }
    return strictUtf8(QByteArray::fromPercentEncoding(encoded->toUtf8()));
}

QString KLURLSchemeDecoder::encodePayload(const QString &source) {
    const QByteArray encoded = source.toUtf8().toPercentEncoding(pathCharacters);
    return QString::fromLatin1(encoded.toBase64().toPercentEncoding());
}

bool KLURLSchemeDecoder::isAcceptedURL(const QUrl &url) {
    if (!url.isValid()) {
        return false;
    }
    const QString scheme = url.scheme().toLower();
    if (scheme == QStringLiteral("file")) {
        return url.isLocalFile() && !url.toLocalFile().isEmpty();
    }
    return (scheme == QStringLiteral("http") || scheme == QStringLiteral("https") ||
            scheme == QStringLiteral("ftp")) &&
           !url.host().isEmpty();
}
