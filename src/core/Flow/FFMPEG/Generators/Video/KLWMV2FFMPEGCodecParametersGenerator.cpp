#include "Flow/FFMPEG/Generators/Video/KLWMV2FFMPEGCodecParametersGenerator.h"

#include "Model/Preferences/KLPreferences.h"

KLWMV2FFMPEGCodecParametersGenerator::KLWMV2FFMPEGCodecParametersGenerator()
    : KLFFMPEGCodecParametersGenerator(name) {}

void KLWMV2FFMPEGCodecParametersGenerator::generateFFMPEGParametersForPreferences(
    const KLPreferences &preferences, const KLVideoProperties &, QString &string,
    KLFFMPEGCodecParametersProperties *codecProperties) const {
    appendParametersForMode(
        string, preferences.wmv2Mode(),
        {{KLPreferences::variableBitrateMode,
          QStringLiteral("-c:v wmv2 -q:v %1 ").arg(number(preferences.wmv2QScale()))},
         {KLPreferences::constantBitrateTwoPassMode,
          QStringLiteral("-c:v wmv2 -b:v %1 ").arg(number(preferences.wmv2TwoPassBitRate())), true}},
        codecProperties);
}
