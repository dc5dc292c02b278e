#pragma once

#include <QSizeF>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <optional>

// The texts the settings store holds ("yes"/"no", "%lu", "1280x720") and their strict reading. A reading
// gives none for anything the writing side would not have produced, so that a damaged or hand-edited
// store cannot put a value into a field that nobody chose.
class KLPreferencesStoredForm final {
public:
    static QString fromBool(bool value);
    static std::optional<bool> toBool(const QString &text);
    static QString fromNumber(uint64_t value);
    static std::optional<uint64_t> toNumber(const QString &text);
    static QString fromResolution(const QSizeF &resolution);
    static std::optional<QSizeF> toResolution(const QString &text);

    // The text of a stored value, or none when the store holds something else (a list, for instance).
    static std::optional<QString> textOf(const QVariant &value);
};
