#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <utility>

// The fuzzer's bytes in the forms the parsers take them.
class KLFuzzInput final {
public:
    KLFuzzInput(const uint8_t *data, size_t size);

    QByteArray bytes() const { return m_bytes; }
    // As the tasks read a script's output: UTF-8, invalid sequences replaced.
    QString text() const;
    // The text's lines, as a script's reader hands them over one by one.
    QStringList lines() const;
    // The text before and after the first `separator` (the second part empty when there is none): one
    // input that fills two arguments.
    std::pair<QString, QString> split(QChar separator) const;

private:
    QByteArray m_bytes;
};
