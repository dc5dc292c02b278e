#pragma once

#include <QString>

#include <memory>

class KLScratchFolder;

// The download proxy as the scripts hand it to yt-dlp and curl: a file holding the one option line
// `--proxy "URL"`, the login inside the URL, which both tools read as an option file (yt-dlp through
// --config-locations, curl through --config). A command line can be read by every user of the machine, so
// the login never goes onto one: the file is readable by the user only, in a scratch folder of its own,
// and goes with the last copy of this object, which a task holds until its script has ended.
class KLDownloadProxyFile final {
public:
    // No proxy: no file, an empty path.
    KLDownloadProxyFile() = default;
    // The file for the proxy URL (login included, percent-encoded); an empty URL makes none.
    explicit KLDownloadProxyFile(const QString &proxyURL);

    // The scripts' argument: empty without a proxy. When the file could not be written the path names
    // nothing, and the scripts stop rather than fetch around the proxy.
    QString path() const { return m_path; }

    // One option line as the tools read their option files: `OPTION "VALUE"`, quoted; empty when the value
    // holds a control character, which would end the line early.
    static QByteArray optionLine(const QByteArray &option, const QString &value);

private:
    std::shared_ptr<KLScratchFolder> m_folder;
    QString m_path;
};
