#include "Flow/FFMPEG/Generators/Audio/KLVorbisFFMPEGCodecParametersGenerator.h"

#include "Model/Preferences/KLPreferences.h"

KLVorbisFFMPEGCodecParametersGenerator::KLVorbisFFMPEGCodecParametersGenerator()
    : KLFFMPEGCodecParametersGenerator(name) {}

void KLVorbisFFMPEGCodecParametersGenerator::generateFFMPEGParametersForPreferences(
    const KLPreferences &preferences, const KLVideoProperties &, QString &string,
    KLFFMPEGCodecParametersProperties *codecProperties) const {
    appendParametersForMode(
        string, preferences.vorbisMode(),
        {{KLPreferences::variableBitrateMode, QStringLiteral("-c:a libvorbis -qscale:a %1 -ar %2 ")
                                                  .arg(number(preferences.vorbisVariableBitRateQuality()),
                                                       number(preferences.vorbisSampleRate()))},
         {KLPreferences::constantBitrateMode,
          QStringLiteral("-c:a libvorbis -b:a %1 -ar %2 ")
              .arg(number(preferences.vorbisConstantBitRate()), number(preferences.vorbisSampleRate()))}},
        codecProperties);
}
