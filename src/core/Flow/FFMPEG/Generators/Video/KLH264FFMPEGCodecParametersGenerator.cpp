#include "Flow/FFMPEG/Generators/Video/KLH264FFMPEGCodecParametersGenerator.h"

#include "Model/Preferences/KLPreferences.h"

KLH264FFMPEGCodecParametersGenerator::KLH264FFMPEGCodecParametersGenerator()
    : KLFFMPEGCodecParametersGenerator(name) {}

void KLH264FFMPEGCodecParametersGenerator::generateFFMPEGParametersForPreferences(
    const KLPreferences &preferences, const KLVideoProperties &, QString &string,
    KLFFMPEGCodecParametersProperties *codecProperties) const {
    appendParametersForMode(
        string, preferences.h264Mode(),
        {{KLPreferences::constantRateFactorMode,
          QStringLiteral("-c:v libx264 -pix_fmt yuv420p -crf %1 -preset %2 ")
              .arg(number(preferences.h264CRFValue()), preferences.h264CRFSpeedPreset())},
         {KLPreferences::constantBitrateTwoPassMode,
          QStringLiteral("-c:v libx264 -pix_fmt yuv420p -b:v %1 -preset %2 ")
              .arg(number(preferences.h264TwoPassBitRate()), preferences.h264TwoPassSpeedPreset()),
          true}},
        codecProperties);
}
