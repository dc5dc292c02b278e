#pragma once

#include "Flow/FFMPEG/KLFFMPEGCodecParametersGenerator.h"

// Vorbis through libvorbis: a variable-bitrate quality or a constant bitrate, at the chosen sample rate.
class KLVorbisFFMPEGCodecParametersGenerator final : public KLFFMPEGCodecParametersGenerator {
public:
    static inline const QString name = QStringLiteral("vorbis");

    KLVorbisFFMPEGCodecParametersGenerator();

    void
    generateFFMPEGParametersForPreferences(const KLPreferences &preferences,
                                           const KLVideoProperties &inputVideoProperties, QString &string,
                                           KLFFMPEGCodecParametersProperties *codecProperties) const override;
};
