#pragma once

#include "Flow/FFMPEG/KLFFMPEGCodecParametersGenerator.h"

// Sorenson Spark (Flash video): a fixed quantiser, or a bitrate over two passes.
class KLFLVFFMPEGCodecParametersGenerator final : public KLFFMPEGCodecParametersGenerator {
public:
    static inline const QString name = QStringLiteral("flv");

    KLFLVFFMPEGCodecParametersGenerator();

    void
    generateFFMPEGParametersForPreferences(const KLPreferences &preferences,
                                           const KLVideoProperties &inputVideoProperties, QString &string,
                                           KLFFMPEGCodecParametersProperties *codecProperties) const override;
};
