#include "Flow/FFMPEG/Generators/Video/KLVP8FFMPEGCodecParametersGenerator.h"

#include "Model/Preferences/KLPreferences.h"

KLVP8FFMPEGCodecParametersGenerator::KLVP8FFMPEGCodecParametersGenerator()
    : KLFFMPEGCodecParametersGenerator(name) {}

void KLVP8FFMPEGCodecParametersGenerator::generateFFMPEGParametersForPreferences(
    const KLPreferences &preferences, const KLVideoProperties &, QString &string,
    KLFFMPEGCodecParametersProperties *codecProperties) const {
    appendParametersForMode(
        string, preferences.vp8Mode(),
        {{KLPreferences::constantRateFactorMode,
          QStringLiteral("-c:v libvpx -crf %1 ").arg(number(preferences.vp8CRFValue()))},
         {KLPreferences::constantBitrateTwoPassMode,
          QStringLiteral("-c:v libvpx -b:v %1 ").arg(number(preferences.vp8TwoPassBitRate())), true}},
        codecProperties);
}
