#pragma once

#include "Model/KLTask/Basic/KLScriptTask.h"
#include "Model/KLTask/YTDL/KLYTDLInformationFile.h"

#include <QString>
#include <QUrl>

#include <optional>

// Downloads one media file through the "ytdl_download" script and turns the downloader's progress lines
// into progress, the time to go and the size of the download.
//
// The result is the path of the file (a QString): while the task runs, and after a failure, the target path
// with ".part" appended (where the downloader keeps an unfinished download); after success the target path.
// A download that ends without the downloader's closing line fails with error 3. An unfinished file found at
// the target (".part") is continued rather than fetched again.
class KLYTDLDownloadTask final : public KLScriptTask {
public:
    // `targetURL` is the absolute path the finished file must end up at; an empty `referer` means none.
    KLYTDLDownloadTask(const QUrl &sourceURL, const QString &targetURL, bool useSubtitles,
                       const QUrl &referer);

    QUrl sourceURL() const { return m_sourceURL; }
    QString targetURL() const { return m_targetURL; }
    bool useSubtitles() const { return m_useSubtitles; }
    QUrl referer() const { return m_referer; }

    // The downloader's format selector; nothing means "best". Set before the task starts.
    std::optional<QString> format() const;
    void setFormat(const std::optional<QString> &format);
    // A downloader's information file to take the video from instead of extracting the page again; empty
    // for none. Set before the task starts; the task holds on to it until its work is done.
    QString informationFile() const;
    void setInformationFile(const KLYTDLInformationFile &informationFile);
    // Shown instead of "Downloading..." when set. Set before the task starts.
    std::optional<QString> downloadDescription() const;
    void setDownloadDescription(const std::optional<QString> &downloadDescription);
    // The total size as the downloader printed it on its first progress line (such as 45.67MiB, without
    // "~"); nothing until known.
    std::optional<QString> downloadSize() const;

    // The command for the download; `proxyFile` is the download proxy's file, `cookiesFile` the cookie
    // option's (empty for none).
    QString getCommand(const QString &proxyFile, const QString &cookiesFile = QString()) const;

    // What one line of the downloader's output tells; static, so that reading lines needs no download.
    struct LineReading {
        bool merging = false;  // ffmpeg merges or converts: progress cannot be measured until it is done
        bool progress = false; // a progress line: eta, percentage and size are what it gives
        bool closing = false;  // the closing line: the whole file was fetched
        QString eta;
        std::optional<double> percentage;
        QString size;
    };
    static LineReading readLine(const QString &line);

protected:
    void doTaskMain() override;
    void prepareTaskDescription() override;
    // The downloader's reason, except where it only shows that the server sent nothing.
    QString failureCause() const override;

private:
    // What the lines read so far have told.
    struct Reading {
        bool completed = false;
        bool sizeKnown = false;
    };

    void treatLine(const QString &line, Reading &reading);
    void downloadEnded(const Reading &reading);
    void readProgress(const LineReading &line, Reading &reading);
    void setDownloadSize(const QString &downloadSize);

    const QUrl m_sourceURL;
    const QString m_targetURL;
    const bool m_useSubtitles;
    const QUrl m_referer;

    std::optional<QString> m_format;
    KLYTDLInformationFile m_informationFile;
    std::optional<QString> m_downloadDescription;
    std::optional<QString> m_downloadSize;
    // Whether a progress line has shown any part of the file arrive.
    bool m_receivedData = false;
};
