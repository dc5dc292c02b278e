#include "Flow/FFMPEG/Generators/Audio/KLWAVFFMPEGCodecParametersGenerator.h"

#include "Model/Preferences/KLPreferences.h"

KLWAVFFMPEGCodecParametersGenerator::KLWAVFFMPEGCodecParametersGenerator()
    : KLFFMPEGCodecParametersGenerator(name) {}

void KLWAVFFMPEGCodecParametersGenerator::generateFFMPEGParametersForPreferences(
    const KLPreferences &preferences, const KLVideoProperties &, QString &string,
    KLFFMPEGCodecParametersProperties *) const {
    string += QStringLiteral("-c:a pcm_s16le -ar %1 ").arg(number(preferences.wavSampleRate()));
}
