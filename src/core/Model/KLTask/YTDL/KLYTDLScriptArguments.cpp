#include "Model/KLTask/YTDL/KLYTDLScriptArguments.h"

#include "Model/KLTask/Basic/KLScriptTask.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLLog.h"
#include "Utils/KLSessionCookies.h"

QString KLYTDLScriptArguments::ytdlPath() {
    return KLKinolarkUtils::getYTDLPath();
}

QString KLYTDLScriptArguments::provider(const KLDefaultPreferences *settings) {
    return settings != nullptr ? settings->provider() : QString();
}

KLDownloaderCookies KLYTDLScriptArguments::cookies(const KLScriptTask &task) {
    // The session handed over with the page is the one the user is signed in with on that very site.
    if (const std::shared_ptr<const KLSessionCookies> &session = task.sessionCookies()) {
        return KLDownloaderCookies(session->path(), QString());
    }
    const KLDefaultPreferences *settings = task.settings().get();
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
