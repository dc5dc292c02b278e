#pragma once

#include "Views/Preferences/PreferenceViews/KLPreferencesPane.h"

class KLDefaultPreferences;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

// The program's own settings: where finished files go, how much runs at once, how long the window grows,
// what happens by itself (starting, removing, copying to the media folders, notifying, following YouTube
// lists), the theme, what the add button does, what the queue remembers; and the way back to the factory
// settings.
class KLGeneralPreferencesViewController final : public KLPreferencesPane {
    Q_OBJECT

public:
    explicit KLGeneralPreferencesViewController(std::shared_ptr<KLDefaultPreferences> preferences,
                                                QWidget *parent = nullptr);

    void setupWithPreferences() override;

    QLabel *downloadFolderLabel() const { return m_folder; }
    QLineEdit *downloadsField() const { return m_downloads; }
    QLineEdit *processingField() const { return m_processing; }
    QLineEdit *queueSizeField() const { return m_queueSize; }
    QComboBox *themePopUp() const { return m_theme; }
    QComboBox *addButtonPopUp() const { return m_addButton; }
    QComboBox *rememberQueuePopUp() const { return m_rememberQueue; }

    void chooseDownloadFolder();
    void revertToFactoryDefaults();

Q_SIGNALS:
    // The settings went back to the factory's; the panes of the (reset) level are built anew.
    void reverted();

private:
    QLineEdit *limitField(const QString &key, std::function<void(KLDefaultPreferences &, uint64_t)> store);
    QComboBox *titledPopUp(const QStringList &titles,
                           std::function<void(const QString &lowerCaseTitle)> store);
    QCheckBox *settingCheck(const QString &text, std::function<void(KLDefaultPreferences &, bool)> store);
    KLDefaultPreferences &stored() const { return *m_stored; }

    std::shared_ptr<KLDefaultPreferences> m_stored;
    QLabel *m_folder;
    QLineEdit *m_downloads;
    QLineEdit *m_processing;
    QLineEdit *m_queueSize;
    QCheckBox *m_automaticStart;
    QCheckBox *m_automaticRemove;
    QCheckBox *m_importIntoLibrary;
    QCheckBox *m_notifications;
    QCheckBox *m_followLists;
    QComboBox *m_theme;
    QComboBox *m_addButton;
    QComboBox *m_rememberQueue;
};
