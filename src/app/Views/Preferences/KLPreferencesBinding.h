#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

class KLPreferences;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QWidget;

// Ties controls to the fields of a preferences record by the fields' stored names ("h264CRFValue"): each
// control shows its field, writes what the user chooses into it through the record's own catalogue (so the
// record's ranges and accepted texts apply, as for the settings file), and is shown again after every change
// of the pane, since one field can decide what another offers.
class KLPreferencesBinding final {
public:
    static inline const QString customItem = QStringLiteral("Custom...");

    // `changed` runs after every change the user makes (the pane refreshes itself with it).
    KLPreferencesBinding(std::shared_ptr<KLPreferences> preferences, std::function<void()> changed);

    // A count, quality or rate typed in: out of range it becomes the nearest bound.
    QLineEdit *numberField(const QString &key, QWidget *parent);
    // A text, taken when the field accepts it (trimmed); otherwise the field keeps its value.
    QLineEdit *textField(const QString &key, QWidget *parent);
    // One of the texts of the list.
    QComboBox *choices(const QString &key, std::function<QStringList()> items, QWidget *parent);
    // One of the listed rates ("44100").
    QComboBox *numberChoices(const QString &key, QList<uint64_t> values, QWidget *parent);
    // A bitrate, written like "1200 kbps": the listed ones, the current one when it is not listed, and, with
    // `allowCustom`, "Custom..." which asks for any other.
    QComboBox *bitrates(const QString &key, QList<uint64_t> values, bool allowCustom, QWidget *parent);
    // A yes/no field.
    QCheckBox *check(const QString &key, const QString &text, QWidget *parent);

    // Shows every field in its control again.
    void refresh();
    std::shared_ptr<KLPreferences> preferences() const { return m_preferences; }
    // The text the field holds in its stored form.
    QString storedText(const QString &key) const;
    // Writes a stored-form text into the field; false when the field does not take it.
    bool store(const QString &key, const QString &text);

private:
    void chooseCustomBitrate(const QString &key, QComboBox *box);

    std::shared_ptr<KLPreferences> m_preferences;
    std::function<void()> m_changed;
    QList<std::function<void()>> m_refreshers;
};
