#include "Model/KLTask/YTDL/KLDownloaderCookies.h"

#include "Utils/KLLog.h"
#include "Utils/KLSafeFile.h"
#include "Utils/KLScratchFolder.h"

#include <QFile>
#include <QStringList>

#include <algorithm>

namespace {

const QStringList browsers = {QStringLiteral("firefox"), QStringLiteral("chromium"),
                              QStringLiteral("chrome")};

// Inside double quotes the downloader takes a backslash before '"' or '\' as that character alone; a control
// character would end the option's line, so a value holding one makes no line.
QByteArray optionLine(const QByteArray &option, const QString &value) {
    const QByteArray text = value.toUtf8();
    if (std::any_of(text.begin(), text.end(), [](char c) { return uchar(c) < 0x20 || uchar(c) == 0x7f; })) {
        return {};
    }
    QByteArray quoted = text;
    quoted.replace('\\', "\\\\").replace('"', "\\\"");
    return option + " \"" + quoted + "\"\n";
}

} // namespace

bool KLDownloaderCookies::isBrowserSpecification(const QString &browser) {
    // BROWSER[+KEYRING][:PROFILE], the profile a name or a folder.
    static const QStringList keyrings = {QString(),
                                         QStringLiteral("basictext"),
                                         QStringLiteral("gnomekeyring"),
                                         QStringLiteral("kwallet"),
                                         QStringLiteral("kwallet5"),
                                         QStringLiteral("kwallet6")};
    const QString name = browser.section(QLatin1Char(':'), 0, 0);
    return browsers.contains(name.section(QLatin1Char('+'), 0, 0)) &&
           keyrings.contains(name.section(QLatin1Char('+'), 1)) &&
           std::none_of(browser.begin(), browser.end(), [](QChar c) { return c.unicode() < 0x20; });
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
            line = optionLine("--cookies", copy);
        }
    } else if (isBrowserSpecification(browser)) {
        line = optionLine("--cookies-from-browser", browser);
    }
    if (line.isEmpty() || !KLSafeFile::replaceFile(m_path, line, 0600)) {
        KLLog::log(QStringLiteral("Could not hand the cookies to the downloader: nothing is fetched"));
    }
}
