#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <optional>

class KLApplicationUI;
class KLURLIntake;

// Finds the URLs in what the user pastes or drops (rich text, HTML, plain text, files) and hands them to
// the intake; rich text and HTML are read by tasks, whose end hands their URLs on.
class KLURLScraper final : public std::enable_shared_from_this<KLURLScraper> {
public:
    // A clipboard item: its rich text, HTML and plain text, whichever it carries.
    struct ClipboardItem {
        std::optional<QString> rtf;
        std::optional<QString> html;
        std::optional<QString> text;
    };

    KLURLScraper(std::shared_ptr<KLApplicationUI> ui, std::shared_ptr<KLURLIntake> intake);

    void scrapURLsFromRTF(const QString &rtf);
    void scrapURLsFromHTML(const QString &html);
    void scrapURLsFromText(const QString &text);
    void processPasteboard(const QList<ClipboardItem> &items, const QList<QUrl> &fileURLs);
    void filesWereDropped(const QStringList &paths);
    void stringWasDragged(const QString &text);

private:
    const std::shared_ptr<KLApplicationUI> m_ui;
    const std::shared_ptr<KLURLIntake> m_intake;
};
