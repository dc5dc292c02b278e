#include "Flow/FFMPEG/KLFFMPEGCodecParametersGenerator.h"

#include "Flow/FFMPEG/KLFFMPEGCodecParametersProperties.h"

KLFFMPEGCodecParametersGenerator::KLFFMPEGCodecParametersGenerator(const QString &codecName)
    : m_codecName(codecName) {}

KLFFMPEGCodecParametersGenerator::~KLFFMPEGCodecParametersGenerator() = default;

void KLFFMPEGCodecParametersGenerator::generateFFMPEGParametersForPreferences(
    const KLPreferences &, const KLVideoProperties &, QString &, KLFFMPEGCodecParametersProperties *) const {}

void KLFFMPEGCodecParametersGenerator::appendParametersForMode(
    QString &string, const QString &mode, std::initializer_list<ModeParameters> rows,
    KLFFMPEGCodecParametersProperties *codecProperties) {
    for (const ModeParameters &row : rows) {
        if (row.mode == mode) {
            string += row.parameters;
            if (row.twoPass && codecProperties != nullptr) {
                codecProperties->setUseTwoPassConversion(true);
            }
            return;
        }
    }
}
