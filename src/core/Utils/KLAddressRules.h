#pragma once

#include <QList>
#include <QString>
#include <QUrl>

#include <memory>

class KLError;

// Which addresses found inside web content (a page's links, frames and media, a page source handed over by
// the browser, a downloader's playlist) may be followed. Addresses the user gives are not judged here.
//
// A found address is followed only when it is a web address (http or https) and its host is not less public
// than the page it was found on, as browsers guard their private networks: a page on the web leads to the
// web only, a page on the local network to the local network or the web, a page on this machine anywhere on
// the web. Otherwise a page could make the program read the user's files or call the services of the user's
// machine and network (a router's reboot link, a local admin page) on its behalf.
class KLAddressRules final {
public:
    // How far a host is from this machine, least public first.
    enum class Reach { Machine, PrivateNetwork, Public };

    static inline const QString refusalCause =
        QStringLiteral("links to local files or local network addresses are not followed from web pages");

    // Addresses longer than this, quoted for the shell, are refused before anything is done with them. A
    // script gets its whole command as one argument of the shell, which the system limits to 128 KiB; a
    // download's command holds the address twice (the video and its page), with room for the rest.
    static constexpr qsizetype maximumAddressLength = 62 * 1024;

    // The reach of the address's host, read the way the fetching tools read it: IPv4 in any spelling
    // (0x7f.1, 2130706433, 127.1), IPv6 literals with IPv4 inside (::ffff:127.0.0.1), a trailing dot, upper
    // case, "user@host". An address without a host (a local file) is on this machine.
    static Reach reachOf(const QUrl &address);
    // Whether `found`, met inside the content of `page`, may be followed.
    static bool mayFollow(const QUrl &found, const QUrl &page);
    // The addresses of `found` that may be followed, in their order. Each refused one is logged; when every
    // address was refused, `refusal` (if given) tells the user why nothing came of the page.
    static QList<QUrl> followable(const QList<QUrl> &found, const QUrl &page,
                                  std::shared_ptr<KLError> *refusal = nullptr);
    // The diagnostic line for an address that is not followed.
    static void logRefusal(const QUrl &found, const QUrl &page);
    // The error that says why nothing was followed from `page`.
    static std::shared_ptr<KLError> refusalFor(const QUrl &page);
    // The error for an address too long to be analysed, or null when its length is fine.
    static std::shared_ptr<KLError> lengthRefusalFor(const QString &address);
};
