#pragma once

#include "Model/KLTask/YTDL/KLChromiumCookieDatabase.h"

#include <QString>

#include <optional>

class KLScratchFolder;

// The cookies of a Chromium or Google Chrome profile, read from the browser's own store and written as a
// Netscape cookie file, the downloader's own format. Debian's downloader reads that store itself only up to
// the database version before values began with the hash of their host; this reads every version. The
// store is read from a private copy, so that a running browser neither blocks the reading nor sees it.
class KLChromiumCookieStore final {
public:
    // Whether the choice names a browser of this store: "chromium" or "chrome", with an optional keyring
    // after '+' and an optional profile after ':'.
    static bool holdsCookiesOf(const QString &choice);

    // The store of "chromium[+KEYRING][:PROFILE]" or "chrome[...]". A profile with a '/' is the profile's
    // folder; else it names a profile in the browser's configuration folder, "Default" when none is given.
    // The keyring is not asked: values it encrypted open only when its password is the empty one that
    // Chromium's basic store falls back on.
    explicit KLChromiumCookieStore(const QString &choice);

    QString profileFolder() const;

    // Writes every cookie the browser would still send into a Netscape cookie file at `path`, readable by
    // the user only. False, with the reason in error(), when the store could not be read whole (a value
    // that does not decrypt included): then nothing is written. No reason ever holds a value.
    bool writeCookieFile(const QString &path);
    QString error() const { return m_error; }

private:
    QString databasePath() const;
    std::optional<QString> copyDatabase(const KLScratchFolder &scratch);
    std::optional<QByteArray> cookieFileContents(const QList<KLChromiumCookieDatabase::Cookie> &cookies,
                                                 int databaseVersion);
    bool fail(const QString &reason);

    const QString m_choice;
    QString m_error;
};
