#include "Flow/FFMPEG/Generators/Video/KLMSMPEG4FFMPEGCodecParametersGenerator.h"

#include "Model/Preferences/KLPreferences.h"

KLMSMPEG4FFMPEGCodecParametersGenerator::KLMSMPEG4FFMPEGCodecParametersGenerator()
    : KLFFMPEGCodecParametersGenerator(name) {}

void KLMSMPEG4FFMPEGCodecParametersGenerator::generateFFMPEGParametersForPreferences(
    const KLPreferences &preferences, const KLVideoProperties &, QString &string,
    KLFFMPEGCodecParametersProperties *codecProperties) const {
    appendParametersForMode(
        string, preferences.msmpeg4Mode(),
        {{KLPreferences::variableBitrateMode,
          QStringLiteral("-c:v mpeg4 -q:v %1 ").arg(number(preferences.msmpeg4QScale()))},
         {KLPreferences::constantBitrateTwoPassMode,
          QStringLiteral("-c:v mpeg4 -b:v %1 ").arg(number(preferences.msmpeg4TwoPassBitRate())), true}},
        codecProperties);
}
