#include "Model/KLTask/Xidel/KLXidelExtractURLsTask.h"

KLXidelExtractURLsTask::KLXidelExtractURLsTask(const QUrl &sourceURL)
    : KLXidelURLListTask(shortDownloadType, QStringLiteral("Scrapping for Youtube links..."), sourceURL) {}

QString KLXidelExtractURLsTask::scriptName() const {
    return QStringLiteral("xidel_urls");
}

QStringList KLXidelExtractURLsTask::scriptArguments() const {
    return {sourceURL().toString(QUrl::FullyEncoded)};
}
