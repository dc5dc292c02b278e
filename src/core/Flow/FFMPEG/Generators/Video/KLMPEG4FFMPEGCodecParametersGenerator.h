#pragma once

#include "Flow/FFMPEG/KLFFMPEGCodecParametersGenerator.h"

// MPEG-4 part 2 with a chosen video tag ("xvid" by default): a fixed quantiser, or a bitrate over two
// passes.
class KLMPEG4FFMPEGCodecParametersGenerator final : public KLFFMPEGCodecParametersGenerator {
public:
    static inline const QString name = QStringLiteral("mpeg4");

    KLMPEG4FFMPEGCodecParametersGenerator();

    void
    generateFFMPEGParametersForPreferences(const KLPreferences &preferences,
                                           const KLVideoProperties &inputVideoProperties, QString &string,
                                           KLFFMPEGCodecParametersProperties *codecProperties) const override;
};
