#include "Model/KLTask/YTDL/KLDownloadProxyFile.h"

#include "Utils/KLLog.h"
#include "Utils/KLSafeFile.h"
#include "Utils/KLScratchFolder.h"

#include <algorithm>

namespace {

// The option line for the URL; empty when the URL holds a control character, which would end the line early
// in curl's file.
QByteArray optionLine(const QString &proxyURL) {
    const QByteArray url = proxyURL.toUtf8();
    if (std::any_of(url.begin(), url.end(), [](char c) { return uchar(c) < 0x20 || uchar(c) == 0x7f; })) {
        return {};
    }
    // Inside double quotes both tools take a backslash before '"' or '\' as that character alone. The
    // login and the host come percent-encoded; only a protocol edited into the settings could hold these.
    QByteArray quoted = url;
    quoted.replace('\\', "\\\\").replace('"', "\\\"");
    return "--proxy \"" + quoted + "\"\n";
}

} // namespace

KLDownloadProxyFile::KLDownloadProxyFile(const QString &proxyURL) {
    if (proxyURL.isEmpty()) {
        return;
    }
    m_folder = KLScratchFolder::create();
    m_path = m_folder->filePath(QStringLiteral("download-proxy"));
    const QByteArray line = optionLine(proxyURL);
    if (line.isEmpty() || !KLSafeFile::replaceFile(m_path, line, 0600)) {
        KLLog::log(QStringLiteral("Could not write the download proxy's settings: nothing is fetched"));
    }
}
