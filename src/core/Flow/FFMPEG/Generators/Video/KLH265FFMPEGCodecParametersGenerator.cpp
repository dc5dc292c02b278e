#include "Flow/FFMPEG/Generators/Video/KLH265FFMPEGCodecParametersGenerator.h"

#include "Model/Preferences/KLPreferences.h"

KLH265FFMPEGCodecParametersGenerator::KLH265FFMPEGCodecParametersGenerator()
    : KLFFMPEGCodecParametersGenerator(name) {}

void KLH265FFMPEGCodecParametersGenerator::generateFFMPEGParametersForPreferences(
    const KLPreferences &preferences, const KLVideoProperties &, QString &string,
    KLFFMPEGCodecParametersProperties *codecProperties) const {
    appendParametersForMode(
        string, preferences.h265Mode(),
        {{KLPreferences::constantRateFactorMode,
          QStringLiteral("-c:v libx265 -pix_fmt yuv420p -crf %1 -preset %2 ")
              .arg(number(preferences.h265CRFValue()), preferences.h265CRFSpeedPreset())},
         {KLPreferences::constantBitrateTwoPassMode,
          QStringLiteral("-c:v libx265 -pix_fmt yuv420p -b:v %1 -preset %2 ")
              .arg(number(preferences.h265TwoPassBitRate()), preferences.h265TwoPassSpeedPreset()),
          true}},
        codecProperties);
    // QuickTime players only open H.265 in a mov file under the "hvc1" tag (ffmpeg writes "hev1" by default).
    if (preferences.container() == QLatin1String("mov")) {
        string += QStringLiteral("-tag:v hvc1 ");
    }
}
