#pragma once

#include "Flow/FFMPEG/KLFFMPEGCodecParametersGenerator.h"

// MP3 through libmp3lame: a variable-bitrate quality or a constant bitrate, at the chosen sample rate.
class KLMP3FFMPEGCodecParametersGenerator final : public KLFFMPEGCodecParametersGenerator {
public:
    static inline const QString name = QStringLiteral("mp3");

    KLMP3FFMPEGCodecParametersGenerator();

    void
    generateFFMPEGParametersForPreferences(const KLPreferences &preferences,
                                           const KLVideoProperties &inputVideoProperties, QString &string,
                                           KLFFMPEGCodecParametersProperties *codecProperties) const override;
};
