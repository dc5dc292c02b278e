#include "Views/Preferences/PreferenceViews/KLPreferencesPane.h"

#include <QMetaObject>

KLPreferencesPane::KLPreferencesPane(std::shared_ptr<KLPreferences> preferences, QWidget *parent)
    : QWidget(parent), m_preferences(preferences), m_binding(std::move(preferences), [this] { changed(); }) {}

void KLPreferencesPane::setupWithPreferences() {
    m_binding.refresh();
}

void KLPreferencesPane::changed() {
    QMetaObject::invokeMethod(this, &KLPreferencesPane::setupWithPreferences, Qt::QueuedConnection);
}
