#pragma once

#include <QString>

#include <memory>

class KLScratchFolder;

// Whose session a site sees when the downloader fetches from it: a file holding the downloader's one cookie
// option, which the scripts hand over as an option file (--config-locations), beside the proxy's. A cookie
// file is given as a private copy, since the downloader writes the cookies it ends with back into the file
// it reads; a browser is named for the downloader to read that browser's own store. No cookie ever goes onto
// a command line. The folder goes with the last copy of this object, which a task holds until its script
// has ended.
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
    // The private copy of the cookie file, for a tool that reads cookies from a file of its own (curl);
    // empty when the cookies come from a browser's store or could not be copied.
    QString cookieFile() const { return m_cookieFile; }

    // Whether `browser` is one the downloader can read cookies from: "firefox", "chromium" or "chrome", with
    // an optional keyring after '+' ("chromium+basictext") and an optional profile after ':'.
    static bool isKnownBrowser(const QString &browser);
    // The browser a choice names: "chromium" of "chromium+basictext:Profile 1".
    static QString browserOf(const QString &choice);

private:
    std::shared_ptr<KLScratchFolder> m_folder;
    QString m_path;
    QString m_cookieFile;
};
