#include "Model/KLTask/YTDL/KLDownloadProxyFile.h"

#include "Utils/KLLog.h"
#include "Utils/KLSafeFile.h"
#include "Utils/KLScratchFolder.h"

#include <algorithm>

QByteArray KLDownloadProxyFile::optionLine(const QByteArray &option, const QString &value) {
    const QByteArray text = value.toUtf8();
    if (std::any_of(text.begin(), text.end(), [](char c) { return uchar(c) < 0x20 || uchar(c) == 0x7f; })) {
        return {};
    }
    // Inside double quotes both tools take a backslash before '"' or '\' as that character alone. A proxy's
    // login and host come percent-encoded; only a protocol edited into the settings could hold these.
    QByteArray quoted = text;
    quoted.replace('\\', "\\\\").replace('"', "\\\"");
    return option + " \"" + quoted + "\"\n";
}

KLDownloadProxyFile::KLDownloadProxyFile(const QString &proxyURL) {
    if (proxyURL.isEmpty()) {
        return;
    }
    m_folder = KLScratchFolder::create();
    m_path = m_folder->filePath(QStringLiteral("download-proxy"));
    const QByteArray line = optionLine("--proxy", proxyURL);
    if (line.isEmpty() || !KLSafeFile::replaceFile(m_path, line, 0600)) {
        KLLog::log(QStringLiteral("Could not write the download proxy's settings: nothing is fetched"));
    }
}
