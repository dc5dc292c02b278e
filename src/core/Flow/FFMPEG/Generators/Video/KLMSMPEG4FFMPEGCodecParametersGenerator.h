#pragma once

#include "Flow/FFMPEG/KLFFMPEGCodecParametersGenerator.h"

// The "msmpeg4" choice, encoded with ffmpeg's MPEG-4 part 2 encoder and its default tag: a fixed quantiser,
// or a bitrate over two passes.
class KLMSMPEG4FFMPEGCodecParametersGenerator final : public KLFFMPEGCodecParametersGenerator {
public:
    static inline const QString name = QStringLiteral("msmpeg4");

    KLMSMPEG4FFMPEGCodecParametersGenerator();

    void
    generateFFMPEGParametersForPreferences(const KLPreferences &preferences,
                                           const KLVideoProperties &inputVideoProperties, QString &string,
                                           KLFFMPEGCodecParametersProperties *codecProperties) const override;
};
