#include "Model/KLTask/YTDL/KLChromiumCookieCipher.h"

#include "Utils/KLSafeFile.h"

#include <QCryptographicHash>

#include <openssl/evp.h>

#include <memory>

namespace {

constexpr int keySize = 16;
constexpr int hashSize = 32;
constexpr qsizetype tagSize = 3;

} // namespace

KLChromiumCookieCipher::KLChromiumCookieCipher(int databaseVersion)
    : m_databaseVersion(databaseVersion), m_fixedKey(keyFor("peanuts")), m_emptyPasswordKey(keyFor("")) {}

QByteArray KLChromiumCookieCipher::keyFor(const QByteArray &password) {
    static const QByteArray salt = "saltysalt";
    QByteArray key(keySize, '\0');
    const bool derived =
        PKCS5_PBKDF2_HMAC_SHA1(password.constData(), int(password.size()),
                               reinterpret_cast<const unsigned char *>(salt.constData()), int(salt.size()), 1,
                               keySize, reinterpret_cast<unsigned char *>(key.data())) == 1;
    // Without a key nothing decrypts, and every encrypted cookie is refused.
    return derived ? key : QByteArray();
}

std::optional<QByteArray> KLChromiumCookieCipher::decrypt(const QByteArray &encrypted,
                                                          const QByteArray &hostKey) const {
    // Any other tag is a store this cipher does not know, such as another system's.
    const QByteArray tag = encrypted.left(tagSize);
    if (tag != "v10" && tag != "v11") {
        return std::nullopt;
    }
    const QByteArray &key = tag == "v10" ? m_fixedKey : m_emptyPasswordKey;
    const std::optional<QByteArray> plaintext = decryptWith(key, encrypted.mid(tagSize));
    return plaintext ? valueOf(*plaintext, hostKey) : std::nullopt;
}

std::optional<QByteArray> KLChromiumCookieCipher::decryptWith(const QByteArray &key,
                                                              const QByteArray &ciphertext) {
    static const QByteArray iv(16, ' ');
    const std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(),
                                                                                  &EVP_CIPHER_CTX_free);
    if (key.size() != keySize || ciphertext.isEmpty() || context == nullptr ||
        EVP_DecryptInit_ex(context.get(), EVP_aes_128_cbc(), nullptr,
                           reinterpret_cast<const unsigned char *>(key.constData()),
                           reinterpret_cast<const unsigned char *>(iv.constData())) != 1) {
        return std::nullopt;
    }
    // The final block may add up to one block more than the input, which the padding then takes back.
    QByteArray plaintext(ciphertext.size() + EVP_MAX_BLOCK_LENGTH, '\0');
    auto *out = reinterpret_cast<unsigned char *>(plaintext.data());
    int written = 0;
    int last = 0;
    if (EVP_DecryptUpdate(context.get(), out, &written,
                          reinterpret_cast<const unsigned char *>(ciphertext.constData()),
                          int(ciphertext.size())) != 1 ||
        EVP_DecryptFinal_ex(context.get(), out + written, &last) != 1) {
        return std::nullopt;
    }
    plaintext.truncate(written + last);
    return plaintext;
}

std::optional<QByteArray> KLChromiumCookieCipher::valueOf(const QByteArray &plaintext,
                                                          const QByteArray &hostKey) const {
    QByteArray value = plaintext;
    if (m_databaseVersion >= firstHashedVersion) {
        if (plaintext.left(hashSize) != QCryptographicHash::hash(hostKey, QCryptographicHash::Sha256)) {
            return std::nullopt;
        }
        value = plaintext.mid(hashSize);
    }
    return KLSafeFile::decodeUTF8(value) ? std::optional<QByteArray>(value) : std::nullopt;
}
