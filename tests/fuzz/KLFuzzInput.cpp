#include "KLFuzzInput.h"

KLFuzzInput::KLFuzzInput(const uint8_t *data, size_t size)
    : m_bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)) {}

QString KLFuzzInput::text() const {
    return QString::fromUtf8(m_bytes);
}

QStringList KLFuzzInput::lines() const {
    return text().split(QLatin1Char('\n'));
}

std::pair<QString, QString> KLFuzzInput::split(QChar separator) const {
    const QString all = text();
    const qsizetype at = all.indexOf(separator);
    if (at < 0) {
        return {all, QString()};
    }
    return {all.left(at), all.mid(at + 1)};
}
