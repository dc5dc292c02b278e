#include "Model/KLTask/Xidel/KLXidelExtractIFrameSourcesTask.h"

KLXidelExtractIFrameSourcesTask::KLXidelExtractIFrameSourcesTask(const QUrl &sourceURL, const QUrl &pageURL)
    : KLXidelURLListTask(shortProcessingType, QStringLiteral("Scrapping for links..."), sourceURL, pageURL) {}

KLXidelExtractIFrameSourcesTask::KLXidelExtractIFrameSourcesTask(const QString &filePath, const QUrl &pageURL)
    : KLXidelExtractIFrameSourcesTask(QUrl::fromLocalFile(filePath), pageURL) {}

QString KLXidelExtractIFrameSourcesTask::scriptName() const {
    return QStringLiteral("xidel_extract_iframes");
}

QStringList KLXidelExtractIFrameSourcesTask::scriptArguments() const {
    return savedPageArguments();
}
