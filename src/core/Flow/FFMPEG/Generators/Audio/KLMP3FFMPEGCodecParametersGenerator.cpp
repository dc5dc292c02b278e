#include "Flow/FFMPEG/Generators/Audio/KLMP3FFMPEGCodecParametersGenerator.h"

#include "Model/Preferences/KLPreferences.h"

KLMP3FFMPEGCodecParametersGenerator::KLMP3FFMPEGCodecParametersGenerator()
    : KLFFMPEGCodecParametersGenerator(name) {}

void KLMP3FFMPEGCodecParametersGenerator::generateFFMPEGParametersForPreferences(
    const KLPreferences &preferences, const KLVideoProperties &, QString &string,
    KLFFMPEGCodecParametersProperties *codecProperties) const {
    appendParametersForMode(
        string, preferences.mp3Mode(),
        {{KLPreferences::variableBitrateMode,
          QStringLiteral("-c:a libmp3lame -q:a %1 -ar %2 ")
              .arg(number(preferences.mp3VariableBitRateQuality()), number(preferences.mp3SampleRate()))},
         {KLPreferences::constantBitrateMode,
          QStringLiteral("-c:a libmp3lame -b:a %1 -ar %2 ")
              .arg(number(preferences.mp3ConstantBitRate()), number(preferences.mp3SampleRate()))}},
        codecProperties);
}
