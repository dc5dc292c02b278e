#pragma once

#include <QList>
#include <QString>
#include <QUrl>

#include <memory>

class KLScratchFolder;

// An information file the downloader wrote for one video, which a later run of the downloader can take the
// video from instead of extracting its page again. It lives in a scratch folder that stays as long as
// anybody holds the file.
class KLYTDLInformationFile final {
public:
    KLYTDLInformationFile() = default;
    KLYTDLInformationFile(QString path, std::shared_ptr<KLScratchFolder> folder);

    // Empty for none.
    QString path() const { return m_path; }
    bool isEmpty() const { return m_path.isEmpty(); }
    // Every absolute address the downloader would fetch the video from (its formats, manifests and
    // fragments), as the file names them; empty for none or an unreadable file.
    QList<QUrl> mediaAddresses() const;

private:
    QString m_path;
    std::shared_ptr<KLScratchFolder> m_folder;
};
