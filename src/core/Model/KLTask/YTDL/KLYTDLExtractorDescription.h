#pragma once

#include <QString>

#include <optional>

// One site module of the downloader, by its name, with the credentials the user stored for it; the
// credentials window edits it.
class KLYTDLExtractorDescription final {
public:
    KLYTDLExtractorDescription() = default;
    explicit KLYTDLExtractorDescription(const QString &name, std::optional<QString> login = std::nullopt,
                                        std::optional<QString> password = std::nullopt);

    QString name() const;
    void setName(const QString &name);
    // Nothing when no login is stored.
    std::optional<QString> login() const;
    void setLogin(const std::optional<QString> &login);
    // Nothing when no password is stored.
    std::optional<QString> password() const;
    void setPassword(const std::optional<QString> &password);

private:
    QString m_name;
    std::optional<QString> m_login;
    std::optional<QString> m_password;
};
