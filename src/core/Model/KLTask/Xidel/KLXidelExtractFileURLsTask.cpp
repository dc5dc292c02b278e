#include "Model/KLTask/Xidel/KLXidelExtractFileURLsTask.h"

KLXidelExtractFileURLsTask::KLXidelExtractFileURLsTask(const QUrl &sourceURL, const QUrl &pageURL)
    : KLXidelURLListTask(shortProcessingType, QStringLiteral("Scrapping for links..."), sourceURL, pageURL) {}

KLXidelExtractFileURLsTask::KLXidelExtractFileURLsTask(const QString &filePath, const QUrl &pageURL)
    : KLXidelExtractFileURLsTask(QUrl::fromLocalFile(filePath), pageURL) {}

QString KLXidelExtractFileURLsTask::scriptName() const {
    return QStringLiteral("xidel_file_urls");
}

QStringList KLXidelExtractFileURLsTask::scriptArguments() const {
    return savedPageArguments();
}
