#pragma once

#include "Utils/KLOSXVersion.h"

#include <QImage>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

class KLError;

// Stateless helpers that every part needs: the application's folders, temporary folders and files, error
// records, and the parsing and formatting of sizes, times and resolutions. File-system locations are
// absolute paths; an empty path stands for "none".
//
// What shows something to the user (alerts, icons, browsers, the media library) belongs to the user
// interface and is reached through the application controller's UI interface, not from here.
class KLKinolarkUtils final {
public:
    static inline const QString applicationFolderName = QStringLiteral("KinolarkPro");

    // Folders and files.
    static QString getApplicationDataDirectory();
    static QString getDownloadsDirectory();
    // This process's own scratch folder inside the downloads folder, where its temporary folders and files
    // go. It is locked for the life of the process, so another process cleaning up leaves it alone. Main
    // thread only.
    static QString getScratchDirectory();
    // Removes this process's scratch folder with everything in it (when the process ends).
    static void removeScratchDirectory();
    // Removes what is in the downloads folder except the scratch folders of processes that still run.
    static void deleteDownloadsDirectory();
    static QString UUIDString();
    static QString createTemporaryFolder();
    static QString createTemporaryFile();
    static QString getYTDLPath();
    static QString getHomeDirectory();
    // The desktop folder when there is one, else the videos folder (made when missing).
    static QString getDesktopDirectory();
    // Sets the POSIX permission bits (e.g. 0600); on failure stores an error of type 5 when asked for one.
    static bool setPermissions(int permissions, const QString &file, std::shared_ptr<KLError> *error);
    // The file itself when nothing exists there, else "name 2.ext", "name 3.ext", ... in the same folder.
    static QString uncollideFile(const QString &file);

    // Adds a finished file to the user's media library: a copy in the Videos folder (Music for audio-only
    // files), never over an existing file. Returns the copy's path, empty when it could not be made.
    static QString importURLIntoITunes(const QString &file);

    // The picture shown for a file that has no thumbnail of its own where nothing draws file icons: a plain
    // grey square of the size (see KLServices::iconForFile).
    static QImage getIconForURL(const QString &file, const QSize &size);

    static std::shared_ptr<KLError> createErrorWithType(int32_t type, const QString &description);

    // Numbers and text.
    // The text without what could steer a terminal or hide itself in a file name: tabs and line breaks
    // become blanks, other control characters and bidirectional overrides go.
    static QString printableText(const QString &text);
    static uint64_t parseSize(const QString &text);
    static QString formatSizeInBytes(uint64_t bytes);
    static double parseFFMPEGTimeInSeconds(const QString &text);
    static QString formatTimeInSeconds(double seconds);
    static QSizeF parseResolution(const QString &text);
    static QString formatResolution(const QSizeF &resolution);
    static bool isDoubleInt(double value);

    static KLOSXVersion getOSXVersion();
    static QStringList getVideoMimeTypes();

    // The path of the file named `name` inside `folder`. Unlike QDir::filePath, a name that starts with ":"
    // (a title such as ":tmp:x") stays a plain name in the folder instead of becoming a resource path.
    static QString pathInFolder(const QString &folder, const QString &name);

    // The candidate uncollideFile() tries for the given number (2, 3, ...).
    static QString candidateForFile(const QString &file, int number);
};
