#include "Model/KLTask/YTDL/KLDownloaderCookies.h"

#include "Model/KLTask/YTDL/KLChromiumCookieStore.h"
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
    const QByteArray line = !cookieFile.isEmpty()     ? copiedFileOption(cookieFile)
                            : isKnownBrowser(browser) ? browserOption(browser)
                                                      : QByteArray();
    if (line.isEmpty() || !KLSafeFile::replaceFile(m_path, line, 0600)) {
        KLLog::log(QStringLiteral("Could not hand the cookies to the downloader: nothing is fetched"));
    }
}

QString KLDownloaderCookies::privateFilePath() const {
    return m_folder->filePath(QStringLiteral("cookies.txt"));
}

QByteArray KLDownloaderCookies::privateFileOption() {
    m_cookieFile = privateFilePath();
    return KLDownloadProxyFile::optionLine("--cookies", m_cookieFile);
}

QByteArray KLDownloaderCookies::copiedFileOption(const QString &cookieFile) {
    QFile original(cookieFile);
    const bool copied = original.open(QIODevice::ReadOnly) &&
                        KLSafeFile::replaceFile(privateFilePath(), original.readAll(), 0600);
    return copied ? privateFileOption() : QByteArray();
}

QByteArray KLDownloaderCookies::browserOption(const QString &browser) {
    if (KLChromiumCookieStore::holdsCookiesOf(browser)) {
        KLChromiumCookieStore store(browser);
        if (store.writeCookieFile(privateFilePath())) {
            return privateFileOption();
        }
        // The downloader still reads the older stores, and names its own reason for the others.
        KLLog::log(QStringLiteral("Could not read the cookies of %1: %2; the downloader reads them itself")
                       .arg(browser, store.error()));
    }
    return KLDownloadProxyFile::optionLine("--cookies-from-browser", browser);
}
