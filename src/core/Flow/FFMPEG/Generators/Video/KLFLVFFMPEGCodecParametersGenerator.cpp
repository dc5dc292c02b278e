#include "Flow/FFMPEG/Generators/Video/KLFLVFFMPEGCodecParametersGenerator.h"

#include "Model/Preferences/KLPreferences.h"

KLFLVFFMPEGCodecParametersGenerator::KLFLVFFMPEGCodecParametersGenerator()
    : KLFFMPEGCodecParametersGenerator(name) {}

void KLFLVFFMPEGCodecParametersGenerator::generateFFMPEGParametersForPreferences(
    const KLPreferences &preferences, const KLVideoProperties &, QString &string,
    KLFFMPEGCodecParametersProperties *codecProperties) const {
    appendParametersForMode(
        string, preferences.flvMode(),
        {{KLPreferences::variableBitrateMode,
          QStringLiteral("-c:v flv -q:v %1 ").arg(number(preferences.flvQScale()))},
         {KLPreferences::constantBitrateTwoPassMode,
          QStringLiteral("-c:v flv -b:v %1 ").arg(number(preferences.flvTwoPassBitRate())), true}},
        codecProperties);
}
