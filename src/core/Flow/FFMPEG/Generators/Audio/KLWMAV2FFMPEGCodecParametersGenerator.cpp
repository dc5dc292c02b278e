#include "Flow/FFMPEG/Generators/Audio/KLWMAV2FFMPEGCodecParametersGenerator.h"

#include "Model/Preferences/KLPreferences.h"

KLWMAV2FFMPEGCodecParametersGenerator::KLWMAV2FFMPEGCodecParametersGenerator()
    : KLFFMPEGCodecParametersGenerator(name) {}

void KLWMAV2FFMPEGCodecParametersGenerator::generateFFMPEGParametersForPreferences(
    const KLPreferences &preferences, const KLVideoProperties &, QString &string,
    KLFFMPEGCodecParametersProperties *) const {
    string += QStringLiteral("-c:a wmav2 -b:a %1 -ar %2 ")
                  .arg(number(preferences.wmav2Bitrate()), number(preferences.wmav2SampleRate()));
}
