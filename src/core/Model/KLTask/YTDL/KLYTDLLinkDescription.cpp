#include "Model/KLTask/YTDL/KLYTDLLinkDescription.h"

#include <utility>

KLYTDLLinkDescription::KLYTDLLinkDescription(const QUrl &link, std::optional<QString> title)
    : m_link(link), m_title(std::move(title)) {}

QUrl KLYTDLLinkDescription::link() const {
    std::lock_guard lock(m_lock);
    return m_link;
}

void KLYTDLLinkDescription::setLink(const QUrl &link) {
    std::lock_guard lock(m_lock);
    m_link = link;
}

std::optional<QString> KLYTDLLinkDescription::title() const {
    std::lock_guard lock(m_lock);
    return m_title;
}

void KLYTDLLinkDescription::setTitle(const std::optional<QString> &title) {
    std::lock_guard lock(m_lock);
    m_title = title;
}

KLYTDLInformationFile KLYTDLLinkDescription::informationFile() const {
    std::lock_guard lock(m_lock);
    return m_informationFile;
}

void KLYTDLLinkDescription::setInformationFile(const KLYTDLInformationFile &informationFile) {
    std::lock_guard lock(m_lock);
    m_informationFile = informationFile;
}
