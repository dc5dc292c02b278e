#pragma once

#include <QJsonArray>
#include <QString>
#include <QUrl>

#include <memory>

class KLScratchFolder;

// The session a browser handed over with a page: the cookies it holds for the page's site, for the entries
// made from that page only. They are kept in a cookie file only the user can read, in a scratch folder of
// their own that goes with the last holder: the analysis of the page, then each entry until its run ends
// (done, failed or cancelled; a paused one keeps them). Nothing else keeps them: not the remembered queue,
// not the settings, not a log line. Each tool run gets a private copy (KLDownloaderCookies), as the
// downloader writes the file it reads back.
class KLSessionCookies final {
public:
    // The entry of org.freedesktop.Application.Open's platform data that carries them beside the page's
    // address, as a JSON array of the browser's cookie objects (name, value, domain, path, secure,
    // httpOnly, hostOnly, expirationDate).
    static inline const QString platformDataKey = QStringLiteral("org.kinolark.KinolarkPro.cookies");
    // Far more than a site sets (browsers keep at most 180 a domain); a longer list is cut.
    static constexpr qsizetype maximumCount = 1000;

    // The cookies of the list that belong to the page's site and can be written safely, in the browser's
    // form; the rest is left out.
    static QJsonArray accepted(const QJsonArray &cookies, const QUrl &page);
    // The site a host belongs to: an address stands for itself, a name for its last two labels, or three
    // under a country's second level ("bbc.co.uk").
    static QString siteOf(const QString &host);

    // The file for the page's accepted cookies, or nil when there are none or the file could not be
    // written.
    static std::shared_ptr<const KLSessionCookies> make(const QString &json, const QUrl &page);

    explicit KLSessionCookies(std::shared_ptr<KLScratchFolder> folder);
    QString path() const;

private:
    std::shared_ptr<KLScratchFolder> m_folder;
};
