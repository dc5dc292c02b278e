#pragma once

#include <QString>

#include <optional>

// Listings that only change with the downloader (its extractors, the TV providers it knows), kept in the
// data folder so that a launch need not start the downloader for them. A listing is stored with the
// identity of everything that made it: the listing script and the downloader's working copy, and the
// yt-dlp that the working copy runs, the system's or the private copy's (path, size and modification time
// of each). Any change to one of them makes the stored listing stale, and it is made afresh.
class KLYTDLListingCache final {
public:
    // The stored output of the script, when it was stored under the current identity.
    static std::optional<QString> cached(const QString &scriptName);
    // Stores the output of the script under the current identity; failures only cost the next launch time.
    static void store(const QString &scriptName, const QString &output);
    static QString identity(const QString &scriptName);
    // The working copy of the downloader and the yt-dlp it runs, as they are now.
    static QString downloaderIdentity();
    // The yt-dlp of the private copy, which the working copy runs in preference to the system's.
    static QString privateCopyProgram();
    static QString cacheFilePath(const QString &scriptName);

private:
    static QString fileIdentity(const QString &path);
};
