#include "Model/KLTask/YTDL/KLYTDLLinkDescription.h"

#include <utility>

KLYTDLLinkDescription::KLYTDLLinkDescription(const QUrl &link, std::optional<QString> title)
    : m_link(link), m_title(std::move(title)) {}

QUrl KLYTDLLinkDescription::link() const {
    return m_link;
}

void KLYTDLLinkDescription::setLink(const QUrl &link) {
    m_link = link;
}

std::optional<QString> KLYTDLLinkDescription::title() const {
    return m_title;
}

void KLYTDLLinkDescription::setTitle(const std::optional<QString> &title) {
    m_title = title;
}

KLYTDLInformationFile KLYTDLLinkDescription::informationFile() const {
    return m_informationFile;
}

void KLYTDLLinkDescription::setInformationFile(const KLYTDLInformationFile &informationFile) {
    m_informationFile = informationFile;
}
