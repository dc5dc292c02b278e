#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <sys/types.h>

// File access for the small files the program keeps for the user (the remembered queue, the credentials
// file, the settings). Two promises hold for every operation here:
// - a folder, a FIFO or a device at the path is never read or written, and a symbolic link is never followed
//   unless a reader asks for it: whoever plants a link where one of these files lives cannot make the
//   program write its target;
// - a reader never sees a partial file: a replacement is written completely under a fresh name in the same
//   folder and renamed over the path in one step.
class KLSafeFile final {
public:
    enum class ReadStatus {
        read,    // the contents are in `contents`
        missing, // nothing at all exists at the path
        failed,  // something exists but could not be read as a regular file
    };
    struct ReadResult {
        ReadStatus status = ReadStatus::failed;
        QByteArray contents;
    };

    // Larger files are not read (a QByteArray could not hold them, and none of our files is that big).
    static constexpr qint64 maximumReadSize = qint64(1) << 30;

    enum class Links {
        refuse, // a link at the path is not read
        follow, // a link at the path is read through, as long as it ends at a regular file
    };

    // Reads the whole regular file at the path itself (or, with Links::follow, at the end of its links) when
    // it holds at most `limit` bytes.
    static ReadResult readRegularFile(const QString &path, Links links = Links::refuse,
                                      qint64 limit = maximumReadSize);

    // Replaces whatever entry is at `path` (a link itself, never its target) by a new regular file with the
    // contents and exactly the permission bits. False when nothing was replaced; then nothing is left behind.
    static bool replaceFile(const QString &path, const QByteArray &contents, mode_t permissions);

    // Creates an empty regular file with the permission bits unless something (even a dangling link)
    // already exists at the path. False only when it could not be created.
    static bool createFileIfMissing(const QString &path, mode_t permissions);

    // Sets the permission bits of the regular file at the path itself; false for anything else (a link
    // included) or when the bits could not be set.
    static bool setPermissionsOfRegularFile(const QString &path, mode_t permissions);

    // The text when the bytes are valid UTF-8 throughout (a leading byte-order mark is dropped); nothing
    // otherwise, so that damaged text is told apart from text that merely holds replacement characters.
    static std::optional<QString> decodeUTF8(const QByteArray &bytes);

private:
    static bool writeAll(int descriptor, const QByteArray &contents);
    static int createTemporarySibling(const QString &path, QString *temporary);
};
