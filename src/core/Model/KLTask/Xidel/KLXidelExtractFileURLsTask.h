#pragma once

#include "Model/KLTask/Xidel/KLXidelURLListTask.h"

// Lists the links and media sources of a saved HTML page ("xidel_file_urls").
class KLXidelExtractFileURLsTask final : public KLXidelURLListTask {
public:
    // `sourceURL` is the file URL of the saved page; `pageURL`, when given, the address it came from.
    explicit KLXidelExtractFileURLsTask(const QUrl &sourceURL, const QUrl &pageURL = QUrl());
    // The same for the saved page's absolute path.
    explicit KLXidelExtractFileURLsTask(const QString &filePath, const QUrl &pageURL = QUrl());

protected:
    QString scriptName() const override;
    QStringList scriptArguments() const override;
};
