#pragma once

#include "Views/Preferences/PreferenceViews/KLPreferencesPane.h"

class KLDefaultPreferences;
class KLKeptDownloads;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The program's own settings: where finished files go, how much runs at once, how long the window grows,
// what happens by itself (starting, removing, copying to the media folders, notifying, following YouTube
// lists), the theme, what the add button does, what the queue remembers, how long stopped downloads are
// kept (with the space they take and a way to clear them), from Advanced on whose cookies the sites see;
// and the way back to the factory settings.
class KLGeneralPreferencesViewController final : public KLPreferencesPane {
    Q_OBJECT

public:
    // Without `keptDownloads` the pane leaves out the space kept and its button.
    KLGeneralPreferencesViewController(std::shared_ptr<KLDefaultPreferences> preferences,
                                       std::shared_ptr<KLKeptDownloads> keptDownloads,
                                       QWidget *parent = nullptr);

    void setupWithPreferences() override;

    QLabel *downloadFolderLabel() const { return m_folder; }
    QLineEdit *downloadsField() const { return m_downloads; }
    QLineEdit *processingField() const { return m_processing; }
    QLineEdit *queueSizeField() const { return m_queueSize; }
    QComboBox *themePopUp() const { return m_theme; }
    QComboBox *addButtonPopUp() const { return m_addButton; }
    QComboBox *rememberQueuePopUp() const { return m_rememberQueue; }
    QLineEdit *keptDaysField() const { return m_keptDays; }
    QLabel *keptSpaceLabel() const { return m_keptSpace; }
    QPushButton *clearKeptButton() const { return m_clearKept; }
    QComboBox *cookiesBrowserPopUp() const { return m_cookiesBrowser; }
    QLineEdit *cookiesProfileField() const { return m_cookiesProfile; }

    void chooseDownloadFolder();
    void revertToFactoryDefaults();
    // Removes what stopped downloads kept, but for those running now.
    void clearKeptDownloads();

Q_SIGNALS:
    // The settings went back to the factory's; the panes of the (reset) level are built anew.
    void reverted();

private:
    QLineEdit *limitField(const QString &key, std::function<void(KLDefaultPreferences &, uint64_t)> store);
    QComboBox *titledPopUp(const QStringList &titles,
                           std::function<void(const QString &lowerCaseTitle)> store);
    QCheckBox *settingCheck(const QString &text, std::function<void(KLDefaultPreferences &, bool)> store);
    KLDefaultPreferences &stored() const { return *m_stored; }
    void showKeptSpace();
    // Stores the browser chosen and its profile as the downloader names them ("chromium:Profile 1").
    void storeCookiesBrowser();

    std::shared_ptr<KLDefaultPreferences> m_stored;
    const std::shared_ptr<KLKeptDownloads> m_keptDownloads;
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
    QLineEdit *m_keptDays;
    QLabel *m_keptSpace;
    QPushButton *m_clearKept;
    QComboBox *m_cookiesBrowser;
    QLineEdit *m_cookiesProfile;
};
