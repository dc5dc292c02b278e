#include "Model/KLTask/Xidel/KLConvertRTFToHTMLTask.h"

KLConvertRTFToHTMLTask::KLConvertRTFToHTMLTask(const QString &input)
    : KLScrapingTask(shortProcessingType, QStringLiteral("Scrapping for Youtube links...")), m_input(input) {}

QString KLConvertRTFToHTMLTask::scriptName() const {
    return QStringLiteral("convert_rtf_to_html");
}

QStringList KLConvertRTFToHTMLTask::scriptArguments() const {
    return {m_input};
}

std::any KLConvertRTFToHTMLTask::resultFromOutput(const QString &output) const {
    return output;
}
