#pragma once

#include "Model/KLTask/YTDL/KLYTDLInformationFile.h"

#include <QString>
#include <QUrl>

#include <optional>

// One video found on a page: the link that leads a download to it, its title when the page gave one, and the
// downloader's information file for it when the listing wrote one.
class KLYTDLLinkDescription final {
public:
    KLYTDLLinkDescription() = default;
    KLYTDLLinkDescription(const QUrl &link, std::optional<QString> title);

    QUrl link() const;
    void setLink(const QUrl &link);
    // Nothing when the page gave no title.
    std::optional<QString> title() const;
    void setTitle(const std::optional<QString> &title);
    KLYTDLInformationFile informationFile() const;
    void setInformationFile(const KLYTDLInformationFile &informationFile);

private:
    QUrl m_link;
    std::optional<QString> m_title;
    KLYTDLInformationFile m_informationFile;
};
