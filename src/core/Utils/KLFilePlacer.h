#pragma once

#include <QString>

// Puts a finished file at its destination without ever exposing a partial file there: the copy is written
// under a hidden temporary name in the destination's folder and renamed into place only once complete.
class KLFilePlacer final {
public:
    // Copies `item` to `destination`. When `neverReplace` is true the name is claimed atomically: the
    // destination itself if free, else "name 2.ext", "name 3.ext", ... as uncollideFile() counts, so two
    // runs finishing at the same moment never take the same name. Otherwise an existing file at the
    // destination is replaced (a folder never is). Returns the path the file now has, or an empty string
    // when nothing could be placed (and then nothing is left behind).
    static QString placeCopyOfFile(const QString &item, const QString &destination, bool neverReplace);

private:
    static QString claimName(const QString &temporary, const QString &destination);
    static bool moveWithoutReplacing(const QString &from, const QString &to, bool *taken);
};
