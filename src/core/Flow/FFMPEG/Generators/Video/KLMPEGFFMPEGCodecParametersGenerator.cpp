#include "Flow/FFMPEG/Generators/Video/KLMPEGFFMPEGCodecParametersGenerator.h"

#include "Model/Preferences/KLPreferences.h"

QString KLMPEGFFMPEGCodecParametersGenerator::encoderForContainer(const QString &container) {
    // A 3GPP2 file cannot hold MPEG-1 video (ffmpeg refuses to write the header); MPEG-4 part 2 is the MPEG
    // video that it can hold, with the same quantiser and bitrate settings.
    return container == QLatin1String("3g2") ? QStringLiteral("mpeg4") : QStringLiteral("mpeg1video");
}

KLMPEGFFMPEGCodecParametersGenerator::KLMPEGFFMPEGCodecParametersGenerator()
    : KLFFMPEGCodecParametersGenerator(name) {}

void KLMPEGFFMPEGCodecParametersGenerator::generateFFMPEGParametersForPreferences(
    const KLPreferences &preferences, const KLVideoProperties &, QString &string,
    KLFFMPEGCodecParametersProperties *codecProperties) const {
    const QString encoder = encoderForContainer(preferences.container());
    appendParametersForMode(
        string, preferences.mpegMode(),
        {{KLPreferences::variableBitrateMode,
          QStringLiteral("-c:v %1 -q:v %2 ").arg(encoder, number(preferences.mpegQScale()))},
         {KLPreferences::constantBitrateTwoPassMode,
          QStringLiteral("-c:v %1 -b:v %2 ").arg(encoder, number(preferences.mpegTwoPassBitRate())), true}},
        codecProperties);
}
