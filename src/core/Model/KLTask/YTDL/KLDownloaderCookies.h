#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class KLScratchFolder;

// Whose session a site sees when the downloader fetches from it: a file holding the downloader's one cookie
// option, which the scripts hand over as an option file (--config-locations), beside the proxy's. A cookie
// file is given as a private copy, since the downloader writes the cookies it ends with back into the file
// it reads. Chromium's and Google Chrome's stores are read here into such a copy, since the downloader
// cannot read their newer databases; Firefox, and a Chromium store that cannot be read here, is named for
// the downloader to read itself. No cookie ever goes onto a command line. The folder goes with the last copy
// of this object, which a task holds until its script has ended.
class KLDownloaderCookies final {
public:
    // No cookies: no file, an empty path.
    KLDownloaderCookies() = default;
    // From the cookie file when one is given, else from the browser ("firefox", "chromium:Profile 1") when
    // one is, else none.
    KLDownloaderCookies(const QString &cookieFile, const QString &browser);

    // The scripts' argument: empty without cookies. When the file could not be written the path names
    // nothing, and the scripts stop rather than fetch without the session.
    QString path() const { return m_path; }
    // The private cookie file (the copy of the user's, or Chromium's store read into one), for a tool that
    // reads cookies from a file of its own (curl); empty when the downloader reads a browser's store itself
    // or no file could be written.
    QString cookieFile() const { return m_cookieFile; }

    // Whether `browser` is one the downloader can read cookies from: "firefox", "chromium" or "chrome", with
    // an optional keyring after '+' ("chromium+basictext") and an optional profile after ':'.
    static bool isKnownBrowser(const QString &browser);
    // The browser a choice names: "chromium" of "chromium+basictext:Profile 1".
    static QString browserOf(const QString &choice);

private:
    QString privateFilePath() const;
    // The option for the private cookie file once it is written, which is then also cookieFile().
    QByteArray privateFileOption();
    // The option for a private copy of the user's cookie file; empty when no copy could be made.
    QByteArray copiedFileOption(const QString &cookieFile);
    // The option for a browser's cookies: Chromium's store read into a private cookie file when it can be
    // read, else the browser named for the downloader to read.
    QByteArray browserOption(const QString &browser);

    std::shared_ptr<KLScratchFolder> m_folder;
    QString m_path;
    QString m_cookieFile;
};
