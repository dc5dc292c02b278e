#include "App/KLURLScraper.h"

#include "App/KLApplicationUI.h"
#include "App/KLUIChange.h"
#include "App/KLURLDetector.h"
#include "App/KLURLIntake.h"
#include "Model/KLTask/KLTaskRunner.h"
#include "Model/KLTask/Xidel/KLConvertRTFToHTMLTask.h"
#include "Model/KLTask/Xidel/KLXidelExtractFileURLsTask.h"
#include "Utils/KLLog.h"

KLURLScraper::KLURLScraper(std::shared_ptr<KLApplicationUI> ui, std::shared_ptr<KLURLIntake> intake)
    : m_ui(std::move(ui)), m_intake(std::move(intake)) {}

void KLURLScraper::scrapURLsFromRTF(const QString &rtf) {
    KLTaskRunner::run(
        std::make_shared<KLConvertRTFToHTMLTask>(rtf),
        [self = shared_from_this()](KLTask &ended) { self->scrapURLsFromHTML(ended.resultAs<QString>()); });
}

void KLURLScraper::scrapURLsFromHTML(const QString &html) {
    KLTaskRunner::urlsFoundInText(
        html, [](const QString &file) { return std::make_shared<KLXidelExtractFileURLsTask>(file); },
        [intake = m_intake](const QList<QUrl> &found) {
            QList<QUrl> unique;
            for (const QUrl &url : found) {
                if (!unique.contains(url)) {
                    unique << url;
                }
            }
            intake->processURLs(unique);
        });
}

void KLURLScraper::scrapURLsFromText(const QString &text) {
    m_intake->processURLs(KLURLDetector::detectURLs(text));
}

void KLURLScraper::processPasteboard(const QList<ClipboardItem> &items, const QList<QUrl> &fileURLs) {
    KLUIChange::post(m_ui, [](KLApplicationUI &ui) { ui.closeAddPopover(); });
    for (const ClipboardItem &item : items) {
        if (item.rtf.has_value()) {
            scrapURLsFromRTF(*item.rtf);
        } else if (item.html.has_value()) {
            scrapURLsFromHTML(*item.html);
        } else if (item.text.has_value()) {
            scrapURLsFromText(*item.text);
        }
    }
    QList<QUrl> files;
    for (const QUrl &url : fileURLs) {
        if (url.isLocalFile()) {
            files << url;
        }
    }
    if (!files.isEmpty()) {
        m_intake->processURLs(files);
    }
}

void KLURLScraper::filesWereDropped(const QStringList &paths) {
    KLLog::log(QStringLiteral("Dragged files: %1").arg(paths.join(QStringLiteral(", "))));
    QList<QUrl> urls;
    for (const QString &path : paths) {
        urls << QUrl::fromLocalFile(path);
    }
    m_intake->processURLs(urls);
}

void KLURLScraper::stringWasDragged(const QString &text) {
    KLLog::log(QStringLiteral("Dragged string: %1").arg(text));
    scrapURLsFromText(text);
}
