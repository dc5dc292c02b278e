#pragma once

#include <QString>

#include <optional>

// Puts a finished file at its destination without ever exposing a partial file there: the copy is written
// under a hidden temporary name in the destination's folder and renamed into place only once complete.
class KLFilePlacer final {
public:
    // Copies `item` to `destination`. When `neverReplace` is true the name is claimed atomically: the
    // destination itself if free, else "name 2.ext", "name 3.ext", ... as uncollideFile() counts, so two
    // runs finishing at the same moment never take the same name. Otherwise an existing file at the
    // destination is replaced (a folder never is). Returns the path the file now has, or an empty string
    // when nothing could be placed (and then nothing is left behind; `failure`, when given, says why).
    static QString placeCopyOfFile(const QString &item, const QString &destination, bool neverReplace,
                                   QString *failure = nullptr);
    // Moves `item` to `destination`, or to the first free "name N.ext" beside it, never over a file; on
    // another file system it is copied and the original removed. Returns the path the file now has, or an
    // empty string with `failure` set (and `item` left where it was).
    static QString moveFile(const QString &item, const QString &destination, QString *failure);
    // Makes the folder and every missing folder above it; a new last folder gets `mode` (less the umask),
    // those above it the usual 0777. Nothing when the folder is there, else the system's reason.
    static std::optional<QString> makeFolder(const QString &folder, unsigned int mode = 0777);

private:
    // Copies the file's bytes into a new file at `copy`, which must not exist; on failure removes what it
    // wrote and returns the system's reason.
    static std::optional<QString> copyFile(const QString &item, const QString &copy);
    static QString claimName(const QString &temporary, const QString &destination, QString *failure);
    static bool moveWithoutReplacing(const QString &from, const QString &to, bool *taken);
};
