#pragma once

#include <QByteArray>

#include <optional>

// Opens the encrypted values of Chromium's cookie store on Linux. A value starts with its key's tag: "v10" is
// encrypted with the fixed password every Linux build knows, "v11" with the password the keyring keeps,
// which is empty when Chromium's basic store had nothing better. Either way AES-128-CBC with a key derived
// from the password by PBKDF2-HMAC-SHA1. A wrong key is told by its result: bad padding, text that is no
// UTF-8, or (from database version 24 on, where the value begins with the SHA-256 of its host) a hash that
// is not the host's. A keyring this cipher cannot open thus fails rather than giving a garbled cookie.
class KLChromiumCookieCipher final {
public:
    // The first database version whose values begin with the hash of their host.
    static constexpr int firstHashedVersion = 24;

    explicit KLChromiumCookieCipher(int databaseVersion);

    // The value of the encrypted_value of the cookie of `hostKey`; nothing when it cannot be opened.
    std::optional<QByteArray> decrypt(const QByteArray &encrypted, const QByteArray &hostKey) const;

private:
    // The key Chromium derives from a password.
    static QByteArray keyFor(const QByteArray &password);
    static std::optional<QByteArray> decryptWith(const QByteArray &key, const QByteArray &ciphertext);
    std::optional<QByteArray> valueOf(const QByteArray &plaintext, const QByteArray &hostKey) const;

    const int m_databaseVersion;
    const QByteArray m_fixedKey;
    const QByteArray m_emptyPasswordKey;
};
