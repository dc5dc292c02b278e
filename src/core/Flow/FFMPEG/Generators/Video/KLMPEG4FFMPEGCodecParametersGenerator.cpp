#include "Flow/FFMPEG/Generators/Video/KLMPEG4FFMPEGCodecParametersGenerator.h"

#include "Model/Preferences/KLPreferences.h"

KLMPEG4FFMPEGCodecParametersGenerator::KLMPEG4FFMPEGCodecParametersGenerator()
    : KLFFMPEGCodecParametersGenerator(name) {}

void KLMPEG4FFMPEGCodecParametersGenerator::generateFFMPEGParametersForPreferences(
    const KLPreferences &preferences, const KLVideoProperties &, QString &string,
    KLFFMPEGCodecParametersProperties *codecProperties) const {
    appendParametersForMode(string, preferences.mpeg4Mode(),
                            {{KLPreferences::variableBitrateMode,
                              QStringLiteral("-c:v mpeg4 -q:v %1 -tag:v %2 ")
                                  .arg(number(preferences.mpeg4QScale()), preferences.mpeg4VTag())},
                             {KLPreferences::constantBitrateTwoPassMode,
                              QStringLiteral("-c:v mpeg4 -b:v %1 -tag:v %2 ")
                                  .arg(number(preferences.mpeg4TwoPassBitRate()), preferences.mpeg4VTag()),
                              true}},
                            codecProperties);
}
