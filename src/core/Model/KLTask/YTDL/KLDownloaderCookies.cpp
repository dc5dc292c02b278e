#include "Model/KLTask/YTDL/KLDownloaderCookies.h"

#include "Model/KLTask/YTDL/KLDownloadProxyFile.h"
#include "Utils/KLLog.h"
#include "Utils/KLSafeFile.h"
#include "Utils/KLScratchFolder.h"

#include <QFile>
#include <QStringList>

#include <algorithm>

namespace {

const QStringList browsers = {QStringLiteral("firefox"), QStringLiteral("chromium"),
                              QStringLiteral("chrome")};

} // namespace

bool KLDownloaderCookies::isKnownBrowser(const QString &browser) {
    // BROWSER[+KEYRING][:PROFILE], the profile a name or a folder.
    static const QStringList keyrings = {QString(),
                                         QStringLiteral("basictext"),
                                         QStringLiteral("gnomekeyring"),
                                         QStringLiteral("kwallet"),
                                         QStringLiteral("kwallet5"),
                                         QStringLiteral("kwallet6")};
    return browsers.contains(browserOf(browser)) &&
           keyrings.contains(browser.section(QLatin1Char(':'), 0, 0).section(QLatin1Char('+'), 1)) &&
           std::none_of(browser.begin(), browser.end(), [](QChar c) { return c.unicode() < 0x20; });
}

QString KLDownloaderCookies::browserOf(const QString &choice) {
    return choice.section(QLatin1Char(':'), 0, 0).section(QLatin1Char('+'), 0, 0);
}

KLDownloaderCookies::KLDownloaderCookies(const QString &cookieFile, const QString &browser) {
    if (cookieFile.isEmpty() && browser.isEmpty()) {
        return;
    }
    m_folder = KLScratchFolder::create();
    m_path = m_folder->filePath(QStringLiteral("cookie-option"));
    QByteArray line;
    if (!cookieFile.isEmpty()) {
        const QString copy = m_folder->filePath(QStringLiteral("cookies.txt"));
        QFile original(cookieFile);
        if (original.open(QIODevice::ReadOnly) && KLSafeFile::replaceFile(copy, original.readAll(), 0600)) {
            line = KLDownloadProxyFile::optionLine("--cookies", copy);
            m_cookieFile = copy;
        }
    } else if (isKnownBrowser(browser)) {
        line = KLDownloadProxyFile::optionLine("--cookies-from-browser", browser);
    }
    if (line.isEmpty() || !KLSafeFile::replaceFile(m_path, line, 0600)) {
        KLLog::log(QStringLiteral("Could not hand the cookies to the downloader: nothing is fetched"));
    }
}
