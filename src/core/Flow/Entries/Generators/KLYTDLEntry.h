#pragma once

#include "Model/KLEntry/KLEntry.h"

#include <QUrl>

#include <mutex>

class KLTask;

// A media link that the downloader can fetch, found on a web page: measured with the downloader, downloaded
// into the run's temporary folder, converted (or not) and placed at the destination. The page it was found
// on is sent as the referer.
class KLYTDLEntry final : public KLEntry {
public:
    QUrl invokingURL() const;
    void setInvokingURL(const QUrl &invokingURL);

    void prepareWithCompletion(std::function<void()> completion) override;
    void cancel() override;

protected:
    void doProcessing() override;

private:
    void downloadEnded(KLTask &task, const QString &target);

    mutable std::mutex m_tasksLock;
    QUrl m_invokingURL;
    std::shared_ptr<KLTask> m_propertiesTask;
    std::shared_ptr<KLTask> m_downloadTask;
};
