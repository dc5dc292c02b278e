#pragma once

#include <QDialog>
#include <QList>

#include <memory>

class KLDefaultPreferences;
class KLPasswordManager;
class KLYTDLExtractorDescription;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;

// The "Site Logins" window: a login and a password for each site module of the downloader, kept in
// ~/.netrc by the password manager, and the TV provider account (the preference "provider"). Every finished
// edit is saved at once, and hiding the window saves what the fields hold, so closing it loses nothing.
//
// Create it only once the store is set up and passwordManagerIsEnabled(); show it with show() (it is not
// modal) and keep it for the next time, since building the list of some 1800 sites takes a moment.
class KLPasswordManagerWindowController final : public QDialog {
    Q_OBJECT

public:
    // The settings hold the chosen TV provider; without them none can be chosen.
    KLPasswordManagerWindowController(std::shared_ptr<KLPasswordManager> passwordManager,
                                      std::shared_ptr<KLDefaultPreferences> preferences,
                                      QWidget *parent = nullptr);
    ~KLPasswordManagerWindowController() override;

    // The list position whose record the fields belong to; -1 while no site is chosen.
    int lastExtractorIndex() const { return m_lastExtractorIndex; }

    QComboBox *extractorComboBox() const { return m_extractorComboBox; }
    QLineEdit *loginField() const { return m_loginField; }
    QLineEdit *passwordField() const { return m_passwordField; }
    QComboBox *providerComboBox() const { return m_providerComboBox; }
    // Shown while the last save of the credentials file failed.
    QLabel *saveFailureLabel() const { return m_saveFailureLabel; }

protected:
    void hideEvent(QHideEvent *event) override;

private:
    QGroupBox *makeLoginGroup();
    QGroupBox *makeProviderGroup();
    void setUpTabOrder();

    void loadExtractors();
    void loadProviders();

    void extractorChosen(int index);
    void providerChosen(int index);
    // Fills the fields from the chosen site's record.
    void setupExtractor();
    // Stores the fields into the record the fields belong to and saves the file.
    void updateExtractor();
    std::shared_ptr<KLYTDLExtractorDescription> descriptionAt(int index) const;
    void showSaveResult(bool saved);

    std::shared_ptr<KLPasswordManager> m_passwordManager;
    std::shared_ptr<KLDefaultPreferences> m_preferences;
    // The records in the order of the site list: item i edits m_descriptions[i].
    QList<std::shared_ptr<KLYTDLExtractorDescription>> m_descriptions;
    int m_lastExtractorIndex = -1;

    QComboBox *m_extractorComboBox = nullptr;
    QLineEdit *m_loginField = nullptr;
    QLineEdit *m_passwordField = nullptr;
    QComboBox *m_providerComboBox = nullptr;
    QLabel *m_saveFailureLabel = nullptr;
};
