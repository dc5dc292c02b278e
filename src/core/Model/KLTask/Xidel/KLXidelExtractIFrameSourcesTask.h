#pragma once

#include "Model/KLTask/Xidel/KLXidelURLListTask.h"

// Lists the sources of the inline frames of a saved HTML page ("xidel_extract_iframes"): where pages embed
// the players of video sites.
class KLXidelExtractIFrameSourcesTask final : public KLXidelURLListTask {
public:
    // `sourceURL` is the file URL of the saved page; `pageURL`, when given, the address it came from.
    explicit KLXidelExtractIFrameSourcesTask(const QUrl &sourceURL, const QUrl &pageURL = QUrl());
    // The same for the saved page's absolute path.
    explicit KLXidelExtractIFrameSourcesTask(const QString &filePath, const QUrl &pageURL = QUrl());

protected:
    QString scriptName() const override;
    QStringList scriptArguments() const override;
};
