#pragma once

#include <QString>

// Where the shipped resources (scripts, the ytdl launcher) live: share/kinolarkpro beside the executable's
// bin folder, in an installed tree as in the build tree.
class KLResources final {
public:
    static QString resourcesDirectory();
    // Points every later lookup at another folder (tests use their own resources); empty restores the search.
    static void setResourcesDirectory(const QString &directory);

    // The file `name`.`type` (or just `name` for an empty type) in the resources folder. The resource
    // "ffmpeg" is the system's ffmpeg.
    static QString pathForResource(const QString &name, const QString &type);
    static QString ffmpegPath();
};
