#pragma once

#include "Model/Preferences/KLPreferencesStoredForm.h"

#include <QString>
#include <QVariant>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>

// The values a count, rate or quality setting may take. A value outside becomes the nearest bound: a
// hand-edited store cannot set a limit of 0 downloads at once (which would start none, ever) or a quality
// that ffmpeg refuses.
struct KLValueRange final {
    uint64_t minimum = 0;
    uint64_t maximum = std::numeric_limits<uint64_t>::max();

    uint64_t clamp(uint64_t value) const { return std::clamp(value, minimum, maximum); }
    // A value the user typed: out of range it becomes the nearest bound; a negative one counts as too large
    // (the field holds no sign), and what is no number counts as 0.
    uint64_t fromTyped(const QString &typed) const {
        const QString text = typed.trimmed();
        if (text.startsWith(QLatin1Char('-'))) {
            return maximum;
        }
        bool ok = false;
        const qulonglong value = text.toULongLong(&ok);
        if (ok) {
            return clamp(value);
        }
        const bool digitsOnly =
            !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
        return digitsOnly ? maximum : clamp(0); // only too many digits for any number fail to read
    }
};

// One field of a preferences record as the settings store and the copy see it: its key, its stored form,
// how a stored text is read back, and how the field goes from one record to another. Every access goes
// through the record's own getter and setter, so the record's lock and change handling apply.
template <class Record> struct KLPreferencesField final {
    using Accepts = std::function<bool(const QString &)>;

    QString key;
    // For numbers that have bounds: what the store and the panes hold them to.
    std::optional<KLValueRange> range;
    std::function<QVariant(const Record &)> store;
    // False when the stored text is not one the record accepts; the field then keeps its value.
    std::function<bool(Record &, const QString &)> load;
    std::function<void(const Record &, Record &)> copy;

    // A field stored as its value, or with a converter to and from text.
    template <class T, class Base>
    static KLPreferencesField make(const QString &key, T (Base::*getter)() const, void (Base::*setter)(T),
                                   std::function<QVariant(T)> toStored,
                                   std::function<std::optional<T>(const QString &)> fromStored) {
        return makeWith<T>(key, getter, setter, std::move(toStored), std::move(fromStored));
    }
    template <class T, class Base>
    static KLPreferencesField make(const QString &key, T (Base::*getter)() const,
                                   void (Base::*setter)(const T &), std::function<QVariant(T)> toStored,
                                   std::function<std::optional<T>(const QString &)> fromStored) {
        return makeWith<T>(key, getter, setter, std::move(toStored), std::move(fromStored));
    }

    // A text field; without a test every text is accepted.
    template <class Base>
    static KLPreferencesField text(const QString &key, QString (Base::*getter)() const,
                                   void (Base::*setter)(const QString &), Accepts accepts = {}) {
        return make<QString>(
            key, getter, setter,
            [](QString value) { return QVariant(value.isNull() ? QStringLiteral("") : value); },
            [accepts](const QString &stored) -> std::optional<QString> {
                if (accepts && !accepts(stored)) {
                    return std::nullopt;
                }
                return stored;
            });
    }

    template <class Base>
    static KLPreferencesField yesNo(const QString &key, bool (Base::*getter)() const,
                                    void (Base::*setter)(bool)) {
        return make<bool>(
            key, getter, setter,
            [](bool value) { return QVariant(KLPreferencesStoredForm::fromBool(value)); },
            &KLPreferencesStoredForm::toBool);
    }

    // A count, rate or bitrate, stored as its decimal text, or as a plain number where the store keeps one.
    // With a range, a stored value outside it is read as the nearest bound.
    template <class Base>
    static KLPreferencesField number(const QString &key, uint64_t (Base::*getter)() const,
                                     void (Base::*setter)(uint64_t), bool storedAsNumber = false,
                                     std::optional<KLValueRange> range = std::nullopt) {
        KLPreferencesField field = make<uint64_t>(
            key, getter, setter,
            [storedAsNumber](uint64_t value) {
                return storedAsNumber ? QVariant(static_cast<qulonglong>(value))
                                      : QVariant(KLPreferencesStoredForm::fromNumber(value));
            },
            [range](const QString &stored) -> std::optional<uint64_t> {
                const std::optional<uint64_t> value = KLPreferencesStoredForm::toNumber(stored);
                return value && range ? std::optional<uint64_t>(range->clamp(*value)) : value;
            });
        field.range = range;
        return field;
    }
    template <class Base>
    static KLPreferencesField number(const QString &key, uint64_t (Base::*getter)() const,
                                     void (Base::*setter)(uint64_t), KLValueRange range) {
        return number(key, getter, setter, false, range);
    }

private:
    template <class T, class Getter, class Setter>
    static KLPreferencesField makeWith(const QString &key, Getter getter, Setter setter,
                                       std::function<QVariant(T)> toStored,
                                       std::function<std::optional<T>(const QString &)> fromStored) {
        KLPreferencesField field;
        field.key = key;
        field.store = [getter, toStored](const Record &record) { return toStored((record.*getter)()); };
        field.load = [setter, fromStored](Record &record, const QString &stored) {
            const std::optional<T> value = fromStored(stored);
            if (value) {
                (record.*setter)(*value);
            }
            return value.has_value();
        };
        field.copy = [getter, setter](const Record &source, Record &target) {
            (target.*setter)((source.*getter)());
        };
        return field;
    }
};
