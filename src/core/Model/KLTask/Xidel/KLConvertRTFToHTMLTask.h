#pragma once

#include "Model/KLTask/Xidel/KLScrapingTask.h"

#include <QString>

// Turns an RTF text (from the clipboard) into HTML ("convert_rtf_to_html") so that its links can be
// scraped like a page's. The result is the HTML as a QString, possibly empty.
class KLConvertRTFToHTMLTask final : public KLScrapingTask {
public:
    explicit KLConvertRTFToHTMLTask(const QString &input);

    QString input() const { return m_input; }

protected:
    QString scriptName() const override;
    QStringList scriptArguments() const override;
    std::any resultFromOutput(const QString &output) const override;

private:
    const QString m_input;
};
