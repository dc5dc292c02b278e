#include "Views/Preferences/KLPreferencesBinding.h"

#include "Model/Preferences/KLPreferences.h"
#include "Model/Preferences/KLPreferencesFields.h"
#include "Views/Preferences/PreferenceViews/Codecs/Bitrate/KLBitrateSelectionWindowController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

namespace {

// Selects the item with the text, adding it first (before "Custom..." when there is one) if it is missing.
void selectText(QComboBox *box, const QString &text, bool addMissing) {
    int index = box->findText(text);
    if (index < 0 && addMissing) {
        index = box->count() > 0 && box->itemText(box->count() - 1) == KLPreferencesBinding::customItem
                    ? box->count() - 1
                    : box->count();
        box->insertItem(index, text);
    }
    box->setCurrentIndex(index);
}

} // namespace

KLPreferencesBinding::KLPreferencesBinding(std::shared_ptr<KLPreferences> preferences,
                                           std::function<void()> changed)
    : m_preferences(std::move(preferences)), m_changed(std::move(changed)) {}

QString KLPreferencesBinding::storedText(const QString &key) const {
    const auto *field = KLPreferencesFields::conversionField(key);
    return field != nullptr ? field->store(*m_preferences).toString() : QString();
}

bool KLPreferencesBinding::store(const QString &key, const QString &text) {
    const auto *field = KLPreferencesFields::conversionField(key);
    return field != nullptr && field->load(*m_preferences, text);
}

void KLPreferencesBinding::refresh() {
    for (const auto &refresher : m_refreshers) {
        refresher();
    }
}

QLineEdit *KLPreferencesBinding::numberField(const QString &key, QWidget *parent) {
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(key);
    m_refreshers << [this, key, edit] { edit->setText(storedText(key)); };
    QObject::connect(edit, &QLineEdit::editingFinished, edit, [this, key, edit] {
        const auto *field = KLPreferencesFields::conversionField(key);
        const KLValueRange range = field != nullptr && field->range ? *field->range : KLValueRange{};
        store(key, QString::number(range.fromTyped(edit->text())));
        edit->setText(storedText(key)); // the bound the value was held to, when it was out of range
        m_changed();
    });
    return edit;
}

QLineEdit *KLPreferencesBinding::textField(const QString &key, QWidget *parent) {
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(key);
    m_refreshers << [this, key, edit] { edit->setText(storedText(key)); };
    QObject::connect(edit, &QLineEdit::editingFinished, edit, [this, key, edit] {
        store(key, edit->text().trimmed());
        edit->setText(storedText(key));
        m_changed();
    });
    return edit;
}

QComboBox *KLPreferencesBinding::choices(const QString &key, std::function<QStringList()> items,
                                         QWidget *parent) {
    auto *box = new QComboBox(parent);
    box->setObjectName(key);
    m_refreshers << [this, key, box, items] {
        const QSignalBlocker quiet(box);
        box->clear();
        box->addItems(items());
        selectText(box, storedText(key), false);
    };
    QObject::connect(box, &QComboBox::activated, box, [this, key, box](int) {
        store(key, box->currentText());
        m_changed();
    });
    return box;
}

QComboBox *KLPreferencesBinding::numberChoices(const QString &key, QList<uint64_t> values, QWidget *parent) {
    QStringList texts;
    for (const uint64_t value : values) {
        texts << QString::number(value);
    }
    QComboBox *box = choices(
        key, [texts] { return texts; }, parent);
    // A rate the list does not hold (from a hand-edited file) still shows.
    m_refreshers << [this, key, box] {
        const QSignalBlocker quiet(box);
        selectText(box, storedText(key), true);
    };
    return box;
}

QComboBox *KLPreferencesBinding::bitrates(const QString &key, QList<uint64_t> values, bool allowCustom,
                                          QWidget *parent) {
    auto *box = new QComboBox(parent);
    box->setObjectName(key);
    m_refreshers << [this, key, box, values, allowCustom] {
        const QSignalBlocker quiet(box);
        box->clear();
        for (const uint64_t value : values) {
            box->addItem(KLPreferences::bitrateToString(value));
        }
        if (allowCustom) {
            box->addItem(customItem);
        }
        selectText(box, KLPreferences::bitrateToString(storedText(key).toULongLong()), true);
    };
    QObject::connect(box, &QComboBox::activated, box, [this, key, box](int) {
        if (box->currentText() == customItem) {
            chooseCustomBitrate(key, box);
            return;
        }
        store(key, QString::number(KLPreferences::stringToBitrate(box->currentText())));
        m_changed();
    });
    return box;
}

void KLPreferencesBinding::chooseCustomBitrate(const QString &key, QComboBox *box) {
    auto *dialog = new KLBitrateSelectionWindowController(storedText(key).toULongLong(), box->window());
    QObject::connect(dialog, &KLBitrateSelectionWindowController::chosen, box, [this, key](uint64_t bitrate) {
        store(key, QString::number(bitrate));
        m_changed();
    });
    // Dismissed, the box shows the field as it was.
    QObject::connect(dialog, &QDialog::rejected, box, [this] { m_changed(); });
    dialog->open();
}

QCheckBox *KLPreferencesBinding::check(const QString &key, const QString &text, QWidget *parent) {
    auto *box = new QCheckBox(text, parent);
    box->setObjectName(key);
    m_refreshers << [this, key, box] {
        const QSignalBlocker quiet(box);
        box->setChecked(storedText(key) == QLatin1String("yes"));
    };
    QObject::connect(box, &QCheckBox::clicked, box, [this, key](bool checked) {
        store(key, checked ? QStringLiteral("yes") : QStringLiteral("no"));
        m_changed();
    });
    return box;
}
