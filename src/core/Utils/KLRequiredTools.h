#pragma once

#include <QString>
#include <QStringList>

// The command-line tools that the scripts run, and which of them are missing. A job is checked once before
// it starts, so that a missing tool is named at once instead of failing every entry after its download.
class KLRequiredTools final {
public:
    // ffmpeg and ffprobe measure and convert every source; reading web addresses needs the downloader and
    // curl as well.
    static QStringList toolsFor(bool readsWebAddresses);
    // The tools of the list that the scripts cannot find (they look on the search path).
    static QStringList missing(const QStringList &tools);
};
