#pragma once

#include "Model/KLTask/Basic/KLScriptTask.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <memory>

class KLYoutubeFormatDescription;

// Lists every format a video page offers, so that the entry can pick the streams itself. Runs
// "list_youtube_format_descriptions" and yields a non-empty Formats list (in the order of the table) as its
// result, or error 1 when the output holds no format.
class KLGetYoutubeFormatsTask final : public KLScriptTask {
public:
    using Formats = QList<std::shared_ptr<KLYoutubeFormatDescription>>;

    explicit KLGetYoutubeFormatsTask(const QUrl &sourceURL);

    QUrl sourceURL() const { return m_sourceURL; }

    // Built from the stored preferences at the moment of the call; `proxyFile` is the download proxy's file,
    // `cookiesFile` the cookie option's (empty for none).
    QString getCommand(const QString &proxyFile, const QString &cookiesFile = QString()) const;

    // The formats of a format table: the lines after the "format code" heading that describe a format.
    static Formats parseFormatsFromDescriptions(const QString &descriptions);

protected:
    void doTaskMain() override;
    void prepareTaskDescription() override;

private:
    QString sourceURLString() const;

    const QUrl m_sourceURL;
};
