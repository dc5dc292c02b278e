#include "Views/Preferences/PreferenceViews/Codecs/KLCodecPreferencesViewController.h"

#include "Model/Preferences/KLPreferences.h"
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>

QStringList KLCodecPreferencesViewController::speedPresets() {
    return KLPreferences::listFFMPEGSpeedPresets();
}

KLCodecPreferencesViewController::KLCodecPreferencesViewController(std::shared_ptr<KLPreferences> preferences,
                                                                   const QList<Control> &controls,
                                                                   QWidget *parent)
    : KLPreferencesPane(std::move(preferences), parent) {
    auto *form = new QFormLayout(this);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    for (const Control &control : controls) {
        QWidget *field = controlFor(control);
        field->setAccessibleName(control.label);
        form->addRow(control.label, field);
    }
    setupWithPreferences();
}

QWidget *KLCodecPreferencesViewController::controlFor(const Control &control) {
    switch (control.kind) {
    case Control::Kind::Choice:
        return binding().choices(control.key, control.items, this);
    case Control::Kind::Number:
        return binding().numberField(control.key, this);
    case Control::Kind::Tag: {
        QLineEdit *tag = binding().textField(control.key, this);
        tag->setMaxLength(4);
        return tag;
    }
    case Control::Kind::Bitrate:
        return binding().bitrates(control.key, control.rates, control.custom, this);
    case Control::Kind::Rate:
        return binding().numberChoices(control.key, control.rates, this);
    }
    return nullptr;
}
