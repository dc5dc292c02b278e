#include "Model/Preferences/KLPreferencesStoredForm.h"

#include <QStringList>

QString KLPreferencesStoredForm::fromBool(bool value) {
    return value ? QStringLiteral("yes") : QStringLiteral("no");
}

std::optional<bool> KLPreferencesStoredForm::toBool(const QString &text) {
    if (text.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (text.compare(QLatin1String("no"), Qt::CaseInsensitive) == 0) {
        return false;
    }
    return std::nullopt;
}

QString KLPreferencesStoredForm::fromNumber(uint64_t value) {
    return QString::number(value);
}

std::optional<uint64_t> KLPreferencesStoredForm::toNumber(const QString &text) {
    const QString trimmed = text.trimmed();
    // toULongLong() would take "-1" as a huge number.
    if (trimmed.isEmpty() || !trimmed.at(0).isDigit()) {
        return std::nullopt;
    }
    bool ok = false;
    const qulonglong number = trimmed.toULongLong(&ok, 10);
    return ok ? std::optional<uint64_t>(number) : std::nullopt;
}

QString KLPreferencesStoredForm::fromResolution(const QSizeF &resolution) {
    return QString::asprintf("%.0fx%.0f", resolution.width(), resolution.height());
}

std::optional<QSizeF> KLPreferencesStoredForm::toResolution(const QString &text) {
    const QStringList parts = text.split(QLatin1Char('x'));
    if (parts.size() != 2) {
        return std::nullopt;
    }
    const auto width = toNumber(parts.at(0));
    const auto height = toNumber(parts.at(1));
    // A zero side would make ffmpeg's scale filter keep or guess the size instead of limiting it.
    if (!width || !height || *width == 0 || *height == 0) {
        return std::nullopt;
    }
    return QSizeF(static_cast<double>(*width), static_cast<double>(*height));
}

std::optional<QString> KLPreferencesStoredForm::textOf(const QVariant &value) {
    if (!value.isValid() || value.typeId() == QMetaType::QStringList || !value.canConvert<QString>()) {
        return std::nullopt;
    }
    return value.toString();
}
