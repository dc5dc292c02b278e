#include "Model/KLTask/YTDL/KLYTDLScriptArguments.h"

#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLLog.h"
#include "Utils/KLObjectRepository.h"

QString KLYTDLScriptArguments::ytdlPath() {
    return KLKinolarkUtils::getYTDLPath();
}

QString KLYTDLScriptArguments::provider() {
    const std::shared_ptr<KLDefaultPreferences> preferences =
        KLObjectRepository::singleton()->getPreferences();
    return preferences ? preferences->provider() : QString();
}

KLDownloadProxyFile KLYTDLScriptArguments::proxyFile() {
    const std::shared_ptr<KLDefaultPreferences> preferences =
        KLObjectRepository::singleton()->getPreferences();
    if (!preferences) {
        return {};
    }
    KLLog::addSecret(preferences->proxyPassword()); // should a tool's message hold it after all
    return KLDownloadProxyFile(preferences->proxyURL());
}
