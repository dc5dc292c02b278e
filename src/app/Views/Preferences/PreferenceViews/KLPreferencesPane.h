#pragma once

#include "Views/Preferences/KLPreferencesBinding.h"

#include <QWidget>

#include <memory>

class KLPreferences;

// One pane of the preferences: controls over a preferences record (the stored one, or the copy an entry
// runs with). After each change the pane shows the record again, so that controls that depend on others
// (what a container offers, what an output mode enables) follow at once.
class KLPreferencesPane : public QWidget {
    Q_OBJECT

public:
    explicit KLPreferencesPane(std::shared_ptr<KLPreferences> preferences, QWidget *parent = nullptr);

    std::shared_ptr<KLPreferences> preferences() const { return m_preferences; }
    // Fills every control from the record.
    virtual void setupWithPreferences();

protected:
    KLPreferencesBinding &binding() { return m_binding; }
    // After a change the pane made itself: shows the record again, once the control's own work is done.
    void changed();

private:
    std::shared_ptr<KLPreferences> m_preferences;
    KLPreferencesBinding m_binding;
};
