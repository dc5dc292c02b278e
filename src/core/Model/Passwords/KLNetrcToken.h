#pragma once

#include <QString>

// One value (machine name, login or password) as the credentials file holds it. yt-dlp reads the file with
// Python's netrc module, which ends a plain value at a blank, a tab or a line break and takes a backslash as
// an escape; a value written plainly that holds any of them would be misread, and a blank would even make
// the reader reject the whole file. Such values are written as a quoted token ("...", with \" and \\), which
// the reader takes back exactly; every other value is written as it is.
class KLNetrcToken final {
public:
    // The value as it goes into the file.
    static QString tokenForValue(const QString &value);
    // The value a field of the file holds: a quoted token's contents, any other field as it is.
    static QString valueForToken(const QString &token);

private:
    static bool needsQuotes(const QString &value);
};
