#pragma once

#include "Model/KLTask/YTDL/KLDownloadProxyFile.h"
#include "Model/KLTask/YTDL/KLDownloaderCookies.h"

#include <QString>

class KLDefaultPreferences;
class KLScriptTask;

// The values every downloader script is handed besides its own: where the downloader is, and the TV
// provider, proxy and cookies the user chose. They are read from the task's settings each time a command is
// built, so a change in the settings applies to the next script; without settings they are empty, which the
// scripts take as "not set".
class KLYTDLScriptArguments final {
public:
    static QString ytdlPath();
    static QString provider(const KLDefaultPreferences *settings);
    // The download proxy's file, whose path is the scripts' argument; hold it until the script has ended.
    static KLDownloadProxyFile proxyFile(const KLDefaultPreferences *settings);
    // The cookies the task's tools send, as the scripts take them: the session handed over with its page,
    // else those the settings name. Hold it until the script has ended.
    static KLDownloaderCookies cookies(const KLScriptTask &task);
};
