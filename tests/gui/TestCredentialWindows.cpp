// The site logins window over a credentials store set up from a stand-in downloader (prepared extractor and
// provider lists), and the proxy settings window over the stored preferences: what they show, and that every
// change reaches ~/.netrc, or the settings file once the event loop has run.
#include "KLFileInspection.h"
#include "KLTestEnvironment.h"

#include "Model/KLTask/YTDL/KLYTDLExtractorDescription.h"
#include "Model/Passwords/KLPasswordManager.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Model/Preferences/KLSettingsStore.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLObjectRepository.h"
#include "Views/KLProxySettingsWindowController.h"
#include "Views/Passwords/KLPasswordManagerWindowController.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

// What the settings file holds once the write the change asked for has run.
QString stored(const char *key) {
    KLTestEnvironment::runPostedWork();
    return KLSettingsStore(KLDefaultPreferences::storeFilePath()).read().value(s(key)).toString();
}

QStringList itemsOf(const QComboBox *box) {
    QStringList items;
    for (int index = 0; index < box->count(); ++index) {
        items.append(box->itemText(index));
    }
    return items;
}

// What a user does when typing into an editable box and pressing Return.
void type(QComboBox *box, const QString &text) {
    box->setEditText(text);
    Q_EMIT box->lineEdit()->editingFinished();
}

class CredentialWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        KLObjectRepository::singleton()->removeAllObjects();
        KLDefaultPreferences().clear();
        m_preferences = std::make_shared<KLDefaultPreferences>();
        ASSERT_TRUE(m_lists.isValid());
        KLTestEnvironment::writeScript(KLKinolarkUtils::getApplicationDataDirectory(), s("ytdl"),
                                       s("#!/bin/bash\n"
                                         "case \" $* \" in\n"
                                         "*' --list-extractors '*) cat '%1/extractors' ;;\n"
                                         "*' --ap-list-mso '*) cat '%1/providers' ;;\n"
                                         "*) exit 2 ;;\n"
                                         "esac\n")
                                           .arg(m_lists.path()));
        KLFileInspection::writeBytes(m_lists.filePath(s("extractors")), "youtube\nvimeo\nZulu\ngeneric\n");
        KLFileInspection::writeBytes(
            m_lists.filePath(s("providers")),
            "Supported Adobe Pass MSOs:\nmso        mso name\n"
            "id_b       beta\nid_A       Alpha\nid_z       Zeta\nid_a       alpha\n");
        m_netrc = QDir::home().filePath(s(".netrc"));
        KLFileInspection::writeBytes(m_netrc, "machine other.example login me password pw\n"
                                              "machine\tyoutube\tlogin\tyu\tpassword\typ\n"
                                              "machine\tZulu\tlogin\tzu\tpassword\tzp\n");
        m_manager = setUpManager();
        ASSERT_TRUE(m_manager->passwordManagerIsEnabled());
    }

    void TearDown() override { KLFileInspection::removeEntry(m_netrc); }

    static std::shared_ptr<KLPasswordManager> setUpManager() {
        auto manager = std::make_shared<KLPasswordManager>();
        EXPECT_TRUE(KLTestEnvironment::runUntilDone([&manager](auto done) { manager->setup(done); }));
        return manager;
    }

    // The credentials a fresh store reads back from the file, as "login/password".
    static QString savedCredentials(const char *site) {
        const auto description = setUpManager()->findExtractorDescription(s(site));
        return description->login().value_or(s("-")) + s("/") + description->password().value_or(s("-"));
    }

    std::unique_ptr<KLPasswordManagerWindowController> makeWindow() const {
        return std::make_unique<KLPasswordManagerWindowController>(m_manager, m_preferences);
    }

    std::shared_ptr<KLDefaultPreferences> m_preferences;
    std::shared_ptr<KLPasswordManager> m_manager;
    QTemporaryDir m_lists;
    QString m_netrc;
};

} // namespace

TEST_F(CredentialWindowTest, SitesAreListedInLowerCaseAndFoundByTypingInAnyCase) {
    const auto window = makeWindow();
    QComboBox *sites = window->extractorComboBox();
    EXPECT_EQ(itemsOf(sites), QStringList({s("zulu"), s("generic"), s("vimeo"), s("youtube")}));
    EXPECT_EQ(window->lastExtractorIndex(), -1);
    EXPECT_EQ(sites->currentText(), QString());
    EXPECT_FALSE(window->loginField()->isEnabled()) << "typed credentials would belong to no site";
    EXPECT_EQ(window->passwordField()->echoMode(), QLineEdit::Password);

    const struct {
        const char *typed;
        int index;
        const char *shown;
        const char *login;
        const char *password;
    } cases[] = {
        {"ZULU", 0, "zulu", "zu", "zp"},
        {"YouTube", 3, "youtube", "yu", "yp"},
        {"vimeo", 2, "vimeo", "", ""},
        {"tube", -1, "", "", ""},
        {"nothing", -1, "", "", ""},
        {"generic", 1, "generic", "", ""},
        {"", -1, "", "", ""},
    };
    for (const auto &row : cases) {
        type(sites, s(row.typed));
        EXPECT_EQ(window->lastExtractorIndex(), row.index) << row.typed;
        EXPECT_EQ(sites->currentText(), s(row.shown)) << row.typed;
        EXPECT_EQ(window->loginField()->text(), s(row.login)) << row.typed;
        EXPECT_EQ(window->passwordField()->text(), s(row.password)) << row.typed;
        EXPECT_EQ(window->loginField()->isEnabled(), row.index >= 0) << row.typed;
    }
}

TEST_F(CredentialWindowTest, PartOfASiteNameTypedFindsItAndTabGoesOnToItsLogin) {
    const auto window = makeWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QLineEdit *typed = window->extractorComboBox()->lineEdit();
    typed->setFocus();
    QTest::keyClicks(typed, s("TUB"));
    QAbstractItemView *completions = window->extractorComboBox()->completer()->popup();
    ASSERT_TRUE(QTest::qWaitFor([completions] { return completions->isVisible(); }, 2000));
    QTest::keyClick(completions, Qt::Key_Down);
    QTest::keyClick(completions, Qt::Key_Return);
    EXPECT_EQ(window->lastExtractorIndex(), 3);
    EXPECT_EQ(window->extractorComboBox()->currentText(), s("youtube"));
    EXPECT_EQ(window->loginField()->text(), s("yu"));
    QTest::keyClick(typed, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window->loginField());
}

TEST_F(CredentialWindowTest, LeavingASiteOrClosingTheWindowSavesItsFieldsAtOnce) {
    const auto window = makeWindow();
    window->extractorComboBox()->setCurrentIndex(3);
    window->loginField()->setText(s("new login"));
    window->passwordField()->setText(s("secret"));
    window->extractorComboBox()->setCurrentIndex(2);
    EXPECT_EQ(window->lastExtractorIndex(), 2);
    EXPECT_EQ(window->loginField()->text(), QString());
    EXPECT_EQ(savedCredentials("youtube"), s("new login/secret"));
    EXPECT_TRUE(
        KLFileInspection::readBytes(m_netrc).startsWith("machine other.example login me password pw\n"));

    window->show();
    window->loginField()->setText(s("v"));
    window->passwordField()->setText(s("vp"));
    window->close();
    EXPECT_EQ(savedCredentials("vimeo"), s("v/vp"));
    EXPECT_TRUE(window->saveFailureLabel()->isHidden());
}

TEST_F(CredentialWindowTest, FinishingAFieldSavesAndAnEmptyLoginOrPasswordClearsBoth) {
    const auto window = makeWindow();
    window->extractorComboBox()->setCurrentIndex(0); // Zulu: zu/zp
    const struct {
        const char *login;
        const char *password;
        bool editPassword;
        const char *saved;
    } cases[] = {
        {"zu2", "zp2", true, "zu2/zp2"},
        {"", "zp3", false, "-/-"},
        {"zu4", "zp4", false, "zu4/zp4"},
        {"zu5", "", true, "-/-"},
    };
    for (const auto &row : cases) {
        window->loginField()->setText(s(row.login));
        window->passwordField()->setText(s(row.password));
        Q_EMIT(row.editPassword ? window->passwordField() : window->loginField())->editingFinished();
        EXPECT_EQ(savedCredentials("Zulu"), s(row.saved)) << row.login << '/' << row.password;
        EXPECT_EQ(m_manager->findExtractorDescription(s("zulu"))->login().has_value(),
                  QByteArray(row.saved) != "-/-");
    }
}

TEST_F(CredentialWindowTest, TwoRecordsOfOneSiteAreEditedEachOnItsOwn) {
    KLFileInspection::writeBytes(m_netrc, "machine\tvimeo\tlogin\tv1\tpassword\tp1\n"
                                          "machine\tvimeo\tlogin\tv2\tpassword\tp2\n");
    m_manager = setUpManager();
    const auto window = makeWindow();
    ASSERT_EQ(itemsOf(window->extractorComboBox()).mid(2, 2), QStringList({s("vimeo"), s("vimeo")}));
    window->extractorComboBox()->setCurrentIndex(3);
    EXPECT_EQ(window->loginField()->text(), s("v2"));
    window->loginField()->setText(s("v3"));
    Q_EMIT window->loginField()->editingFinished();
    const auto records = m_manager->listExtractorDescriptions();
    EXPECT_EQ(records.at(2)->login(), s("v1"));
    EXPECT_EQ(records.at(3)->login(), s("v3"));
}

TEST_F(CredentialWindowTest, AFailedSaveIsShownUntilASaveSucceeds) {
    const auto window = makeWindow();
    window->extractorComboBox()->setCurrentIndex(3);
    KLFileInspection::removeEntry(m_netrc);
    ASSERT_TRUE(QDir().mkpath(m_netrc + s("/inside")));
    Q_EMIT window->loginField()->editingFinished();
    EXPECT_FALSE(window->saveFailureLabel()->isHidden());
    KLFileInspection::removeEntry(m_netrc);
    Q_EMIT window->loginField()->editingFinished();
    EXPECT_TRUE(window->saveFailureLabel()->isHidden());
    EXPECT_EQ(savedCredentials("youtube"), s("yu/yp"));
}

TEST_F(CredentialWindowTest, ProvidersAreSortedAsPlainTextAndPreselectedByIdentifier) {
    const struct {
        const char *provider;
        const char *shown;
    } cases[] = {{"id_a", "alpha"}, {"id_A", "Alpha"}, {"", ""}, {"unknown", ""}};
    for (const auto &row : cases) {
        m_preferences->setProvider(s(row.provider));
        const auto window = makeWindow();
        EXPECT_EQ(itemsOf(window->providerComboBox()),
                  QStringList({s("Alpha"), s("Zeta"), s("alpha"), s("beta")}));
        EXPECT_EQ(window->providerComboBox()->currentText(), s(row.shown)) << row.provider;
        EXPECT_EQ(m_preferences->provider(), s(row.provider)) << "showing the window changes nothing";
    }
}

TEST_F(CredentialWindowTest, ChoosingAProviderStoresItsIdentifierAndNoneClearsIt) {
    const auto window = makeWindow();
    QComboBox *providers = window->providerComboBox();
    providers->setCurrentIndex(1);
    EXPECT_EQ(stored("provider"), s("id_z"));
    type(providers, s("BETA"));
    EXPECT_EQ(stored("provider"), s("id_b"));
    for (const char *typed : {"", "no such provider"}) {
        providers->setCurrentIndex(0);
        type(providers, s(typed));
        EXPECT_EQ(providers->currentIndex(), -1) << typed;
        EXPECT_EQ(providers->currentText(), QString()) << typed;
        EXPECT_EQ(stored("provider"), QString()) << typed;
        EXPECT_EQ(m_preferences->provider(), QString()) << typed;
    }
}

namespace {

class ProxyWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        KLDefaultPreferences().clear();
        m_preferences = std::make_shared<KLDefaultPreferences>();
        m_window = std::make_unique<KLProxySettingsWindowController>(m_preferences);
    }

    std::shared_ptr<KLDefaultPreferences> m_preferences;
    std::unique_ptr<KLProxySettingsWindowController> m_window;
};

} // namespace

TEST_F(ProxyWindowTest, FieldsAreEnabledByTheirCheckBoxAndKeepTheirValuesWhenTurnedOff) {
    m_preferences->setProxyHost(s("proxy.example"));
    m_preferences->setProxyProtocol(s("HTTPS"));
    m_preferences->setUpdateProxyPassword(s("secret"));
    m_window->showPreferences();
    EXPECT_EQ(m_window->protocolPopUp()->currentText(), s("HTTPS"));
    const struct {
        QCheckBox *checkBox;
        bool (KLDefaultPreferences::*use)() const;
        const char *key;
        QList<QWidget *> fields;
        QLineEdit *kept;
        const char *keptText;
    } cases[] = {
        {m_window->useProxyCheckBox(),
         &KLDefaultPreferences::useProxy,
         "useProxy",
         {m_window->protocolPopUp(), m_window->proxyHostField(), m_window->proxyPortField(),
          m_window->proxyUsernameField(), m_window->proxyPasswordField()},
         m_window->proxyHostField(),
         "proxy.example"},
        {m_window->useUpdateProxyCheckBox(),
         &KLDefaultPreferences::useUpdateProxy,
         "useUpdateProxy",
         {m_window->updateProxyHostField(), m_window->updateProxyPortField(),
          m_window->updateProxyUsernameField(), m_window->updateProxyPasswordField()},
         m_window->updateProxyPasswordField(),
         "secret"},
    };
    for (const auto &row : cases) {
        for (const bool on : {true, false}) {
            row.checkBox->setChecked(on);
            EXPECT_EQ((m_preferences.get()->*row.use)(), on) << row.key;
            EXPECT_EQ(stored(row.key), on ? s("yes") : s("no")) << row.key;
            for (QWidget *field : row.fields) {
                EXPECT_EQ(field->isEnabled(), on) << row.key << ' ' << field->accessibleName().toStdString();
            }
            EXPECT_EQ(row.kept->text(), s(row.keptText)) << row.key;
        }
    }
    EXPECT_EQ(m_preferences->proxyHost(), s("proxy.example"));
}

TEST_F(ProxyWindowTest, EveryEditIsStoredAtOnceTrimmed) {
    m_window->useProxyCheckBox()->setChecked(true);
    m_window->useUpdateProxyCheckBox()->setChecked(true);
    m_window->protocolPopUp()->setCurrentIndex(2);
    EXPECT_EQ(stored("proxyProtocol"), s("SOCKS4"));
    const struct {
        QLineEdit *field;
        const char *typed;
        const char *key;
        const char *expected;
    } cases[] = {
        {m_window->proxyHostField(), "  proxy.example  ", "proxyHost", "proxy.example"},
        {m_window->proxyPortField(), " 80x80 ", "proxyPort", "8080"},
        {m_window->proxyUsernameField(), "John Smith ", "proxyUsername", "John Smith"},
        {m_window->proxyPasswordField(), " p w ", "proxyPassword", "p w"},
        {m_window->updateProxyHostField(), "update.example ", "updateProxyHost", "update.example"},
        {m_window->updateProxyPortField(), "3128", "updateProxyPort", "3128"},
        {m_window->updateProxyUsernameField(), " me", "updateProxyUsername", "me"},
        {m_window->updateProxyPasswordField(), "pass ", "updateProxyPassword", "pass"},
    };
    for (const auto &row : cases) {
        QTest::keyClicks(row.field, s(row.typed));
        EXPECT_EQ(stored(row.key), s(row.expected)) << row.key; // before the edit is finished
        Q_EMIT row.field->editingFinished();
        EXPECT_EQ(row.field->text(), s(row.expected)) << row.key;
        EXPECT_EQ(row.field->echoMode() == QLineEdit::Password, QByteArray(row.key).endsWith("Password"));
    }
}

TEST_F(ProxyWindowTest, AKeystrokeThatWouldMakeNoAddressIsRefusedAndNeverStored) {
    m_window->useProxyCheckBox()->setChecked(true);
    m_window->useUpdateProxyCheckBox()->setChecked(true);
    const struct {
        QLineEdit *field;
        const char *typed;
        const char *key;
        const char *kept;
    } cases[] = {
        {m_window->proxyPortField(), "99999", "proxyPort", "9999"},
        {m_window->proxyPortField(), "0", "proxyPort", ""},
        {m_window->proxyPortField(), "65535", "proxyPort", "65535"},
        {m_window->proxyHostField(), "a b", "proxyHost", "a"},
        {m_window->updateProxyHostField(), "h:1", "updateProxyHost", "h1"},
    };
    for (const auto &row : cases) {
        row.field->selectAll();
        QTest::keyClick(row.field, Qt::Key_Backspace);
        QTest::keyClicks(row.field, s(row.typed));
        EXPECT_EQ(row.field->text().trimmed(), s(row.kept)) << row.typed;
        EXPECT_EQ(stored(row.key), s(row.kept)) << row.typed;
    }
}
