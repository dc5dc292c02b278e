#include "Flow/FFMPEG/Generators/Audio/KLMP2FFMPEGCodecParametersGenerator.h"

#include "Model/Preferences/KLPreferences.h"

KLMP2FFMPEGCodecParametersGenerator::KLMP2FFMPEGCodecParametersGenerator()
    : KLFFMPEGCodecParametersGenerator(name) {}

void KLMP2FFMPEGCodecParametersGenerator::generateFFMPEGParametersForPreferences(
    const KLPreferences &preferences, const KLVideoProperties &, QString &string,
    KLFFMPEGCodecParametersProperties *) const {
    string += QStringLiteral("-c:a mp2 -b:a %1 -ar %2 ")
                  .arg(number(preferences.mp2Bitrate()), number(preferences.mp2SampleRate()));
}
