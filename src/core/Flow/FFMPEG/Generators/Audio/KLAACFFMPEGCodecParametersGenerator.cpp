#include "Flow/FFMPEG/Generators/Audio/KLAACFFMPEGCodecParametersGenerator.h"

#include "Model/Preferences/KLPreferences.h"

KLAACFFMPEGCodecParametersGenerator::KLAACFFMPEGCodecParametersGenerator()
    : KLFFMPEGCodecParametersGenerator(name) {}

void KLAACFFMPEGCodecParametersGenerator::generateFFMPEGParametersForPreferences(
    const KLPreferences &preferences, const KLVideoProperties &, QString &string,
    KLFFMPEGCodecParametersProperties *codecProperties) const {
    appendParametersForMode(
        string, preferences.aacMode(),
        {{KLPreferences::variableBitrateMode,
          QStringLiteral("-c:a aac -q:a %1 -ar %2 ")
              .arg(number(preferences.aacVariableBitRateQuality()), number(preferences.aacSampleRate()))},
         {KLPreferences::constantBitrateMode,
          QStringLiteral("-c:a aac -b:a %1 -ar %2 ")
              .arg(number(preferences.aacConstantBitRate()), number(preferences.aacSampleRate()))}},
        codecProperties);
}
