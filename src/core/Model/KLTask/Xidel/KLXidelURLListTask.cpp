#include "Model/KLTask/Xidel/KLXidelURLListTask.h"

KLXidelURLListTask::KLXidelURLListTask(int32_t type, const QString &description, const QUrl &sourceURL,
                                       const QUrl &pageURL)
    : KLScrapingTask(type, description), m_sourceURL(sourceURL), m_pageURL(pageURL) {}

QList<QUrl> KLXidelURLListTask::urlsFromOutput(const QString &output) {
    QList<QUrl> urls;
    const QStringList pieces = output.split(QLatin1Char('\n'));
    for (const QString &piece : pieces) {
        const QString trimmed = piece.trimmed();
        if (trimmed.isEmpty()) {
            continue;
        }
        const QUrl url(trimmed);
        if (url.isValid() && !url.scheme().isEmpty()) {
            urls.append(url);
        }
    }
    return urls;
}

std::any KLXidelURLListTask::resultFromOutput(const QString &output) const {
    return urlsFromOutput(output);
}

QStringList KLXidelURLListTask::savedPageArguments() const {
    QStringList arguments{m_sourceURL.toLocalFile()};
    // Only when known: without it the script is run exactly as it always was, with the file alone.
    if (m_pageURL.isValid() && !m_pageURL.isEmpty()) {
        arguments.append(m_pageURL.toString(QUrl::FullyEncoded));
    }
    return arguments;
}
