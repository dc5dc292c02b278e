#include "Utils/KLAddressRules.h"

#include "Model/KLTask/KLError.h"
#include "Utils/KLLog.h"
#include "Utils/KLScriptManager.h"

#include <QStringList>

#include <arpa/inet.h>

#include <array>
#include <cstdint>

namespace {

using Reach = KLAddressRules::Reach;

struct IPv4Block {
    quint32 network;
    int prefixLength;
    Reach reach;
};

// Everything not listed is on the public web. Unspecified (0.0.0.0 reaches this machine on Linux), loopback,
// the private ranges, link-local, shared address space, benchmarking and the IETF block, multicast, reserved
// and broadcast: none of them is a public host.
constexpr std::array<IPv4Block, 11> ipv4Blocks{{
    {0x00000000U, 8, Reach::Machine},
    {0x7f000000U, 8, Reach::Machine},
    {0x0a000000U, 8, Reach::PrivateNetwork},
    {0x64400000U, 10, Reach::PrivateNetwork},
    {0xa9fe0000U, 16, Reach::PrivateNetwork},
    {0xac100000U, 12, Reach::PrivateNetwork},
    {0xc0000000U, 24, Reach::PrivateNetwork},
    {0xc0a80000U, 16, Reach::PrivateNetwork},
    {0xc6120000U, 15, Reach::PrivateNetwork},
    {0xe0000000U, 4, Reach::PrivateNetwork},
    {0xf0000000U, 4, Reach::PrivateNetwork},
}};

Reach reachOfIPv4(quint32 address) {
    for (const IPv4Block &block : ipv4Blocks) {
        const quint32 mask = ~quint32{0} << (32 - block.prefixLength);
        if ((address & mask) == block.network) {
            return block.reach;
        }
    }
    return Reach::Public;
}

using IPv6Bytes = std::array<quint8, 16>;

quint32 ipv4At(const IPv6Bytes &bytes, int first) {
    return (quint32{bytes[first]} << 24) | (quint32{bytes[first + 1]} << 16) |
           (quint32{bytes[first + 2]} << 8) | quint32{bytes[first + 3]};
}

bool startsWith(const IPv6Bytes &bytes, std::initializer_list<quint8> prefix) {
    int at = 0;
    for (const quint8 byte : prefix) {
        if (bytes[at++] != byte) {
            return false;
        }
    }
    return true;
}

Reach reachOfIPv6(const IPv6Bytes &bytes) {
    const std::initializer_list<quint8> twelveZeros = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    // IPv4 carried inside IPv6 reaches the IPv4 host: mapped (::ffff:a.b.c.d), compatible (::a.b.c.d, and so
    // :: and ::1), NAT64 (64:ff9b::a.b.c.d) and 6to4 (2002:aabb:ccdd::).
    if (startsWith(bytes, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff}) ||
        startsWith(bytes, {0, 0x64, 0xff, 0x9b, 0, 0, 0, 0, 0, 0, 0, 0})) {
        return reachOfIPv4(ipv4At(bytes, 12));
    }
    if (startsWith(bytes, twelveZeros)) {
        const quint32 embedded = ipv4At(bytes, 12);
        return embedded <= 1 ? Reach::Machine : reachOfIPv4(embedded);
    }
    if (startsWith(bytes, {0x20, 0x02})) {
        return reachOfIPv4(ipv4At(bytes, 2));
    }
    // Unique local (fc00::/7), link-local and site-local (fe80::/10, fec0::/10), multicast (ff00::/8).
    if ((bytes[0] & 0xfe) == 0xfc || (bytes[0] == 0xfe && (bytes[1] & 0x80) != 0) || bytes[0] == 0xff) {
        return Reach::PrivateNetwork;
    }
    return Reach::Public;
}

// Names that never leave the local network: single labels (resolved through the search domains of the local
// network) and the suffixes set aside for it.
Reach reachOfName(const QString &name) {
    if (name == QStringLiteral("localhost") || name.endsWith(QStringLiteral(".localhost"))) {
        return Reach::Machine;
    }
    static const QStringList localSuffixes = {QStringLiteral(".local"), QStringLiteral(".home.arpa"),
                                              QStringLiteral(".internal"), QStringLiteral(".lan")};
    if (!name.contains(QLatin1Char('.'))) {
        return Reach::PrivateNetwork;
    }
    for (const QString &suffix : localSuffixes) {
        if (name.endsWith(suffix)) {
            return Reach::PrivateNetwork;
        }
    }
    return Reach::Public;
}

// The host as the tools will resolve it: lower case, without trailing dots, and with the IPv4 spellings
// that a trailing dot kept the URL parser from reading ("0x7f.1.") read again.
QString resolvedHost(const QUrl &address) {
    QString host = address.host(QUrl::FullyDecoded).toLower();
    const bool literalIPv6 = host.contains(QLatin1Char(':'));
    while (!literalIPv6 && host.endsWith(QLatin1Char('.'))) {
        host.chop(1);
    }
    if (literalIPv6 || host.isEmpty()) {
        return host;
    }
    const QUrl reread(QStringLiteral("http://") + host + QLatin1Char('/'));
    return reread.isValid() ? reread.host(QUrl::FullyDecoded).toLower() : host;
}

} // namespace

KLAddressRules::Reach KLAddressRules::reachOf(const QUrl &address) {
    const QString host = resolvedHost(address);
    if (host.isEmpty()) {
        return Reach::Machine;
    }
    // The URL parser has already brought every IPv4 spelling to dotted decimal.
    const QByteArray text = host.section(QLatin1Char('%'), 0, 0).toLatin1(); // without an IPv6 zone
    in_addr ipv4{};
    if (inet_pton(AF_INET, text.constData(), &ipv4) == 1) {
        return reachOfIPv4(ntohl(ipv4.s_addr));
    }
    IPv6Bytes ipv6{};
    if (inet_pton(AF_INET6, text.constData(), ipv6.data()) == 1) {
        return reachOfIPv6(ipv6);
    }
    return reachOfName(host);
}

bool KLAddressRules::mayFollow(const QUrl &found, const QUrl &page) {
    const QString scheme = found.scheme().toLower();
    if (!found.isValid() || (scheme != QStringLiteral("http") && scheme != QStringLiteral("https")) ||
        found.host().isEmpty()) {
        return false;
    }
    return reachOf(found) >= reachOf(page);
}

QList<QUrl> KLAddressRules::followable(const QList<QUrl> &found, const QUrl &page,
                                       std::shared_ptr<KLError> *refusal) {
    QList<QUrl> kept;
    for (const QUrl &address : found) {
        if (mayFollow(address, page)) {
            kept.append(address);
        } else {
            logRefusal(address, page);
        }
    }
    if (refusal != nullptr && kept.isEmpty() && !found.isEmpty()) {
        *refusal = refusalFor(page);
    }
    return kept;
}

void KLAddressRules::logRefusal(const QUrl &found, const QUrl &page) {
    KLLog::log(QStringLiteral("Not following %1 found on %2: %3")
                   .arg(found.toString(QUrl::FullyEncoded), page.toString(QUrl::FullyEncoded), refusalCause));
}

std::shared_ptr<KLError> KLAddressRules::refusalFor(const QUrl &page) {
    return KLError::create(KLError::downloadAnalysisType, page.toString(QUrl::FullyEncoded), refusalCause);
}

std::shared_ptr<KLError> KLAddressRules::lengthRefusalFor(const QString &address) {
    // Quick for the common case and for megabytes: quoting adds two quotes and at most quadruples a
    // character (a single quote).
    const bool fits = address.size() + 2 <= maximumAddressLength &&
                      (address.size() * 4 + 2 <= maximumAddressLength ||
                       KLScriptManager::quoteArgument(address).toUtf8().size() <= maximumAddressLength);
    if (fits) {
        return nullptr;
    }
    return KLError::create(KLError::downloadAnalysisType,
                           QStringLiteral("An address of %1 characters was not analysed").arg(address.size()),
                           QStringLiteral("it is longer than a command can carry: at most %1 bytes, quoted")
                               .arg(maximumAddressLength));
}
