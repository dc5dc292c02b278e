#include "Model/KLTask/YTDL/KLYTDLExtractorDescription.h"

#include <utility>

KLYTDLExtractorDescription::KLYTDLExtractorDescription(const QString &name, std::optional<QString> login,
                                                       std::optional<QString> password)
    : m_name(name), m_login(std::move(login)), m_password(std::move(password)) {}

QString KLYTDLExtractorDescription::name() const {
    std::lock_guard lock(m_lock);
    return m_name;
}

void KLYTDLExtractorDescription::setName(const QString &name) {
    std::lock_guard lock(m_lock);
    m_name = name;
}

std::optional<QString> KLYTDLExtractorDescription::login() const {
    std::lock_guard lock(m_lock);
    return m_login;
}

void KLYTDLExtractorDescription::setLogin(const std::optional<QString> &login) {
    std::lock_guard lock(m_lock);
    m_login = login;
}

std::optional<QString> KLYTDLExtractorDescription::password() const {
    std::lock_guard lock(m_lock);
    return m_password;
}

void KLYTDLExtractorDescription::setPassword(const std::optional<QString> &password) {
    std::lock_guard lock(m_lock);
    m_password = password;
}
