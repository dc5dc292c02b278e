#include "Model/KLTask/YTDL/KLYTDLExtractorDescription.h"

#include <utility>

KLYTDLExtractorDescription::KLYTDLExtractorDescription(const QString &name, std::optional<QString> login,
                                                       std::optional<QString> password)
    : m_name(name), m_login(std::move(login)), m_password(std::move(password)) {}

QString KLYTDLExtractorDescription::name() const {
    return m_name;
}

void KLYTDLExtractorDescription::setName(const QString &name) {
    m_name = name;
}

std::optional<QString> KLYTDLExtractorDescription::login() const {
    return m_login;
}

void KLYTDLExtractorDescription::setLogin(const std::optional<QString> &login) {
    m_login = login;
}

std::optional<QString> KLYTDLExtractorDescription::password() const {
    return m_password;
}

void KLYTDLExtractorDescription::setPassword(const std::optional<QString> &password) {
    m_password = password;
}
