#pragma once

#include "Flow/FFMPEG/KLFFMPEGCodecParametersGenerator.h"

// Windows Media Video 8: a fixed quantiser, or a bitrate over two passes.
class KLWMV2FFMPEGCodecParametersGenerator final : public KLFFMPEGCodecParametersGenerator {
public:
    static inline const QString name = QStringLiteral("wmv2");

    KLWMV2FFMPEGCodecParametersGenerator();

    void
    generateFFMPEGParametersForPreferences(const KLPreferences &preferences,
                                           const KLVideoProperties &inputVideoProperties, QString &string,
                                           KLFFMPEGCodecParametersProperties *codecProperties) const override;
};
