#include "Flow/FFMPEG/Generators/Video/KLVP9FFMPEGCodecParametersGenerator.h"

#include "Model/Preferences/KLPreferences.h"

KLVP9FFMPEGCodecParametersGenerator::KLVP9FFMPEGCodecParametersGenerator()
    : KLFFMPEGCodecParametersGenerator(name) {}

void KLVP9FFMPEGCodecParametersGenerator::generateFFMPEGParametersForPreferences(
    const KLPreferences &preferences, const KLVideoProperties &, QString &string,
    KLFFMPEGCodecParametersProperties *codecProperties) const {
    appendParametersForMode(
        string, preferences.vp9Mode(),
        {{KLPreferences::constantRateFactorMode,
          QStringLiteral("-c:v libvpx-vp9 -crf %1 -b:v 0 ").arg(number(preferences.vp9CRFValue()))},
         {KLPreferences::constantBitrateTwoPassMode,
          QStringLiteral("-c:v libvpx-vp9 -minrate %1 -maxrate %1 -b:v %1 ")
              .arg(number(preferences.vp9TwoPassBitRate())),
          true}},
        codecProperties);
}
