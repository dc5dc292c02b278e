#include "Utils/KLRequiredTools.h"

#include <QStandardPaths>

QStringList KLRequiredTools::toolsFor(bool readsWebAddresses) {
    QStringList tools = {QStringLiteral("ffmpeg"), QStringLiteral("ffprobe")};
    if (readsWebAddresses) {
        tools << QStringLiteral("yt-dlp") << QStringLiteral("curl");
    }
    return tools;
}

QStringList KLRequiredTools::missing(const QStringList &tools) {
    QStringList absent;
    for (const QString &tool : tools) {
        if (QStandardPaths::findExecutable(tool).isEmpty()) {
            absent << tool;
        }
    }
    return absent;
}
