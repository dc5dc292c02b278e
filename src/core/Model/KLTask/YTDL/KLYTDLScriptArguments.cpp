#include "Model/KLTask/YTDL/KLYTDLScriptArguments.h"

#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLObjectRepository.h"

QString KLYTDLScriptArguments::ytdlPath() {
    return KLKinolarkUtils::getYTDLPath();
}

QString KLYTDLScriptArguments::provider() {
    const std::shared_ptr<KLDefaultPreferences> preferences =
        KLObjectRepository::singleton()->getPreferences();
    return preferences ? preferences->provider() : QString();
}

QString KLYTDLScriptArguments::proxyURL() {
    const std::shared_ptr<KLDefaultPreferences> preferences =
        KLObjectRepository::singleton()->getPreferences();
    return preferences ? preferences->proxyURL() : QString();
}
