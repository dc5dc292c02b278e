#include "Model/KLTask/YTDL/KLYTDLScriptArguments.h"

#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLLog.h"

QString KLYTDLScriptArguments::ytdlPath() {
    return KLKinolarkUtils::getYTDLPath();
}

QString KLYTDLScriptArguments::provider(const KLDefaultPreferences *settings) {
    return settings != nullptr ? settings->provider() : QString();
}

KLDownloaderCookies KLYTDLScriptArguments::cookies(const KLDefaultPreferences *settings) {
    return settings != nullptr ? KLDownloaderCookies(settings->cookieFile(), settings->cookiesFromBrowser())
                               : KLDownloaderCookies();
}

KLDownloadProxyFile KLYTDLScriptArguments::proxyFile(const KLDefaultPreferences *settings) {
    if (settings == nullptr) {
        return {};
    }
    KLLog::addSecret(settings->proxyPassword()); // should a tool's message hold it after all
    return KLDownloadProxyFile(settings->proxyURL());
}
