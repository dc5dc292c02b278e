// The site credentials store with a stand-in downloader that prints prepared extractor and provider lists
// through the real listing scripts: what setup makes of ~/.netrc, what a save writes back, damaged and
// unreadable files, links planted in the file's place, and a reader of the file while it is saved.

#include "KLFileInspection.h"
#include "KLTestEnvironment.h"

#include "Model/KLTask/YTDL/KLYTDLExtractorDescription.h"
#include "Model/Passwords/KLPasswordManager.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLObjectRepository.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <sys/stat.h>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

struct Credentials {
    QString name;
    std::optional<QString> login;
    std::optional<QString> password;
    bool operator==(const Credentials &) const = default;
};

void PrintTo(const Credentials &credentials, std::ostream *out) {
    *out << credentials.name.toStdString() << '/' << credentials.login.value_or(s("-")).toStdString() << '/'
         << credentials.password.value_or(s("-")).toStdString();
}

std::vector<Credentials> credentialsOf(const KLPasswordManager &manager) {
    std::vector<Credentials> all;
    for (const auto &description : manager.listExtractorDescriptions()) {
        all.push_back({description->name(), description->login(), description->password()});
    }
    return all;
}

class TestPasswordManager : public ::testing::Test {
protected:
    void SetUp() override {
        KLObjectRepository::singleton()->removeAllObjects();
        ASSERT_TRUE(m_lists.isValid());
        // The stand-in prints a prepared list, or fails like a broken downloader when there is none.
        KLTestEnvironment::writeScript(KLKinolarkUtils::getApplicationDataDirectory(), s("ytdl"),
                                       s("#!/bin/bash\n"
                                         "case \" $* \" in\n"
                                         "*' --list-extractors '*) list='%1/extractors' ;;\n"
                                         "*' --ap-list-mso '*) list='%1/providers' ;;\n"
                                         "*) exit 2 ;;\n"
                                         "esac\n"
                                         "[ -f \"$list\" ] || exit 1\n"
                                         "cat \"$list\"\n")
                                           .arg(m_lists.path()));
        setExtractors("generic\nvimeo\nyoutube\n");
        setProviders("Supported Adobe Pass MSOs:\nmso                          mso name\n"
                     "Comcast_SSO                  Comcast XFINITY\nDTV                          DIRECTV\n");
        m_netrc = QDir::home().filePath(s(".netrc"));
        KLFileInspection::removeEntry(m_netrc);
    }

    void TearDown() override {
        EXPECT_TRUE(KLFileInspection::temporariesBeside(m_netrc).isEmpty());
        KLFileInspection::removeEntry(m_netrc);
    }

    void setExtractors(const QByteArray &names) { KLFileInspection::writeBytes(list("extractors"), names); }
    void setProviders(const QByteArray &output) { KLFileInspection::writeBytes(list("providers"), output); }
    void breakList(const char *name) { QFile::remove(list(name)); }
    QString list(const char *name) const { return m_lists.filePath(s(name)); }

    QByteArray netrc() const { return KLFileInspection::readBytes(m_netrc); }

    // A manager set up on the file as it is now.
    std::shared_ptr<KLPasswordManager> setUpManager() const {
        auto manager = std::make_shared<KLPasswordManager>();
        EXPECT_TRUE(KLTestEnvironment::runUntilDone([&manager](auto done) { manager->setup(done); }));
        return manager;
    }

    QTemporaryDir m_lists;
    QString m_netrc;
};

void setCredentials(const KLPasswordManager &manager, const char *name, std::optional<QString> login,
                    std::optional<QString> password) {
    const auto description = manager.findExtractorDescription(s(name));
    ASSERT_NE(description, nullptr) << name;
    description->setLogin(login);
    description->setPassword(password);
}

} // namespace

TEST_F(TestPasswordManager, AMissingFileIsCreatedEmptyAndAnExistingOneBecomesOwnerOnly) {
    const mode_t previous = ::umask(0);
    auto manager = setUpManager();
    ::umask(previous);
    EXPECT_TRUE(manager->passwordManagerIsEnabled());
    EXPECT_EQ(manager->netrcPath(), m_netrc);
    EXPECT_TRUE(KLFileInspection::isRegularFile(m_netrc));
    EXPECT_EQ(netrc(), QByteArray());
    EXPECT_EQ(KLFileInspection::permissionsOf(m_netrc), 0600);

    ASSERT_TRUE(QFile::setPermissions(m_netrc, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                                   QFile::ReadOther | QFile::ExeOwner));
    EXPECT_TRUE(setUpManager()->passwordManagerIsEnabled());
    EXPECT_EQ(KLFileInspection::permissionsOf(m_netrc), 0600);
}

TEST_F(TestPasswordManager, SetupReconcilesTheManagedLinesWithTheDownloadersExtractors) {
    setExtractors("youtube\nvimeo\nZulu\nabc\ngeneric\n");
    // In the downloader's own layout; the listing script turns "id   Name" into "id$Name".
    setProviders(
        "Title line with a $ in it\nmso$heading\nid1    Name One\nid2  Name$Two\nsingle\nid3 Another\n");
    KLFileInspection::writeBytes(m_netrc, "machine example.com login me password pw\n"
                                          "machine\tyoutube\tlogin\tyu\tpassword\typ\n"
                                          "machine\tvimeo\tlogin\tv1\tpassword\tp1\n"
                                          "machine\tgone\tlogin\tg\tpassword\tgp\n"
                                          "machine\tvimeo\tlogin\tv2\tpassword\tp2\n"
                                          "machine\tZulu\tlogin\t\tpassword\tzp\n"
                                          "machine\tabc\tlogin\ta\tpassword\n"
                                          "machine\tgeneric\tlogin\tx\tpassword\ty\textra\n");
    const auto manager = setUpManager();
    ASSERT_TRUE(manager->passwordManagerIsEnabled());
    const std::vector<Credentials> expected = {
        {s("Zulu"), std::nullopt, s("zp")}, // sorted as plain text: capitals first
        {s("abc"), std::nullopt, std::nullopt}, {s("generic"), std::nullopt, std::nullopt},
        {s("vimeo"), s("v1"), s("p1")}, // both lines of one extractor, in the file's order
        {s("vimeo"), s("v2"), s("p2")},         {s("youtube"), s("yu"), s("yp")},
    };
    EXPECT_EQ(credentialsOf(*manager), expected);
    EXPECT_EQ(manager->findExtractorDescription(s("YouTube"))->login(), s("yu"));
    EXPECT_EQ(manager->findExtractorDescription(s("gone")), nullptr);
    EXPECT_EQ(manager->getProviderDictionary(),
              KLPasswordManager::ProviderDictionary({{s("Name One"), s("id1")}, {s("Another"), s("id3")}}));
}

TEST_F(TestPasswordManager, ProviderListsYieldOnlyLinesWithExactlyOneDollarAfterTheHeadings) {
    using Dictionary = KLPasswordManager::ProviderDictionary;
    EXPECT_EQ(KLPasswordManager::providerDictionaryFromList(s("a$A\nb$B")), Dictionary());
    EXPECT_EQ(KLPasswordManager::providerDictionaryFromList(s("a$A\nb$B\n")), Dictionary());
    EXPECT_EQ(KLPasswordManager::providerDictionaryFromList(s("h\nh\nid$Name With Blanks\n$$\nx\nid2$Name")),
              Dictionary({{s("Name With Blanks"), s("id")}, {s("Name"), s("id2")}}));
}

TEST_F(TestPasswordManager, SavingKeepsEveryForeignLineByteForByteAndRewritesTheListedExtractors) {
    const QByteArray foreign = QByteArray("# Zugangsdaten f\xfcr den Server\n" // Latin-1
                                          "machine host.example login a password b\r\n"
                                          "\n"
                                          "\r\n"
                                          "macdef init\n"
                                          "cd /pub\n"
                                          "\n"
                                          "binary") +
                               '\0' + QByteArray("\x01\xff junk\n");
    const QByteArray kept("machine\tgone\tlogin\tg\tpassword\tgp\n"
                          "machine\tvimeo\tlogin\tv\xe9\tpassword\tp\n"
                          "default login anonymous password guest");
    KLFileInspection::writeBytes(
        m_netrc, QByteArray(foreign + "machine\tyoutube\tlogin\tyu\tpassword\typ\r\n" + kept));
    const auto manager = setUpManager();
    ASSERT_TRUE(manager->passwordManagerIsEnabled());
    EXPECT_EQ(manager->findExtractorDescription(s("youtube"))->password(), s("yp"));
    EXPECT_EQ(manager->findExtractorDescription(s("vimeo"))->login(), std::nullopt)
        << "a line that is not UTF-8 is the user's, not ours";

    setCredentials(*manager, "vimeo", s("ü-login"), s("pass word"));
    const mode_t previous = ::umask(0);
    const bool saved = manager->saveExtractorDescriptions();
    ::umask(previous);
    ASSERT_TRUE(saved);
    const QByteArray expected = foreign + kept + "\n" +
                                "machine\tvimeo\tlogin\t\xc3\xbc-login\tpassword\t\"pass word\"\n"
                                "machine\tyoutube\tlogin\tyu\tpassword\typ\n";
    EXPECT_EQ(netrc(), expected);
    EXPECT_EQ(KLFileInspection::permissionsOf(m_netrc), 0600);

    // A second save of the same credentials changes nothing.
    const QByteArray once = netrc();
    ASSERT_TRUE(manager->saveExtractorDescriptions());
    EXPECT_EQ(netrc(), once);
}

TEST_F(TestPasswordManager, ClearingALoginOrAPasswordDeletesTheLineAtTheNextSave) {
    KLFileInspection::writeBytes(m_netrc, "machine\tyoutube\tlogin\tyu\tpassword\typ\n"
                                          "machine\tvimeo\tlogin\tvu\tpassword\tvp\n");
    {
        const auto manager = setUpManager();
        setCredentials(*manager, "youtube", std::nullopt, s("yp"));
        setCredentials(*manager, "vimeo", s("vu"), s(""));
        setCredentials(*manager, "generic", s("gu"), s("gp"));
        ASSERT_TRUE(manager->saveExtractorDescriptions());
        EXPECT_EQ(netrc(), QByteArray("machine\tgeneric\tlogin\tgu\tpassword\tgp\n"));
    }
    // What was saved is what the next launch reads.
    const std::vector<Credentials> expected = {{s("generic"), s("gu"), s("gp")},
                                               {s("vimeo"), std::nullopt, std::nullopt},
                                               {s("youtube"), std::nullopt, std::nullopt}};
    EXPECT_EQ(credentialsOf(*setUpManager()), expected);
}

TEST_F(TestPasswordManager, ValuesTheDownloadersReaderWouldMisreadAreQuotedAndReadBackExactly) {
    {
        const auto manager = setUpManager();
        setCredentials(*manager, "youtube", s("plain@example.com"), s("correct horse battery"));
        setCredentials(*manager, "vimeo", s("\"quoted\""), s("back\\slash"));
        ASSERT_TRUE(manager->saveExtractorDescriptions());
        EXPECT_EQ(
            netrc(),
            QByteArray("machine\tvimeo\tlogin\t\"\\\"quoted\\\"\"\tpassword\t\"back\\\\slash\"\n"
                       "machine\tyoutube\tlogin\tplain@example.com\tpassword\t\"correct horse battery\"\n"));
    }
    const std::vector<Credentials> expected = {
        {s("generic"), std::nullopt, std::nullopt},
        {s("vimeo"), s("\"quoted\""), s("back\\slash")},
        {s("youtube"), s("plain@example.com"), s("correct horse battery")}};
    EXPECT_EQ(credentialsOf(*setUpManager()), expected);
}

TEST_F(TestPasswordManager, TabsAndLineBreaksInCredentialsNeverReachTheFile) {
    const auto manager = setUpManager();
    setCredentials(*manager, "youtube", s("me\nmachine evil.example login x password y"), s("pw"));
    setCredentials(*manager, "vimeo", s("me"), s("p\tw"));
    setCredentials(*manager, "generic", s("carriage"), s("return\r"));
    ASSERT_TRUE(manager->saveExtractorDescriptions());
    EXPECT_EQ(netrc(), QByteArray());
}

TEST_F(TestPasswordManager, ALineWhoseValuesCouldNotBeWrittenBackIsTheUsersAndSurvivesASave) {
    const QByteArray file("machine\tyoutube\tlogin\tyu\tpassword\tp\rw\n"
                          "machine\tvimeo\tlogin\t\"v\ru\"\tpassword\tvp\r\r\n");
    KLFileInspection::writeBytes(m_netrc, file);
    const auto manager = setUpManager();
    EXPECT_EQ(manager->findExtractorDescription(s("youtube"))->password(), std::nullopt);
    EXPECT_EQ(manager->findExtractorDescription(s("vimeo"))->login(), std::nullopt);
    ASSERT_TRUE(manager->saveExtractorDescriptions());
    EXPECT_EQ(netrc(), file);
}

TEST_F(TestPasswordManager, AFiftyMegabyteFileOfBinaryJunkKeepsEveryByte) {
    const auto started = std::chrono::steady_clock::now();
    const QByteArray before = KLFileInspection::binaryJunk(25 * 1024 * 1024, 3) + '\n';
    const QByteArray after = KLFileInspection::binaryJunk(25 * 1024 * 1024, 5) + '\n';
    KLFileInspection::writeBytes(m_netrc,
                                 QByteArray(before + "machine\tyoutube\tlogin\tyu\tpassword\typ\n" + after));

    const auto manager = setUpManager();
    ASSERT_TRUE(manager->passwordManagerIsEnabled());
    EXPECT_EQ(manager->findExtractorDescription(s("youtube"))->login(), s("yu"));
    setCredentials(*manager, "youtube", s("new"), s("secret"));
    ASSERT_TRUE(manager->saveExtractorDescriptions());
    const QByteArray expected = before + after + "machine\tyoutube\tlogin\tnew\tpassword\tsecret\n";
    EXPECT_TRUE(netrc() == expected); // not EXPECT_EQ: a failure would print 50 MB
    EXPECT_EQ(KLFileInspection::permissionsOf(m_netrc), 0600);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(120));
}

TEST_F(TestPasswordManager, AFileThatCannotBeReadMakesTheStoreUnusableAndIsNeverWritten) {
    ASSERT_TRUE(QDir().mkpath(m_netrc + s("/inside")));
    auto manager = setUpManager();
    EXPECT_FALSE(manager->passwordManagerIsEnabled());
    manager->teardown();
    EXPECT_FALSE(manager->saveExtractorDescriptions());
    EXPECT_TRUE(QFileInfo(m_netrc + s("/inside")).isDir());
    KLFileInspection::removeEntry(m_netrc);

    // A FIFO neither blocks the setup nor is taken for the file.
    ASSERT_EQ(::mkfifo(QFile::encodeName(m_netrc).constData(), 0600), 0);
    manager = setUpManager();
    EXPECT_FALSE(manager->passwordManagerIsEnabled());
    manager->teardown();
    EXPECT_FALSE(KLFileInspection::isRegularFile(m_netrc));
}

TEST_F(TestPasswordManager, ALinkPlantedAtTheFileIsNeverWrittenThrough) {
    QTemporaryDir elsewhere;
    ASSERT_TRUE(elsewhere.isValid());
    const QString target = elsewhere.filePath(s("precious"));
    const QByteArray precious("machine\tyoutube\tlogin\tsomeone\tpassword\telse\n");
    KLFileInspection::writeBytes(target, precious);
    ASSERT_TRUE(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    const int targetPermissions = KLFileInspection::permissionsOf(target);

    ASSERT_TRUE(QFile::link(target, m_netrc));
    auto manager = setUpManager();
    EXPECT_FALSE(manager->passwordManagerIsEnabled());
    EXPECT_TRUE(manager->listExtractorDescriptions().isEmpty());
    manager->teardown();
    EXPECT_TRUE(KLFileInspection::isSymbolicLink(m_netrc));
    EXPECT_EQ(KLFileInspection::readBytes(target), precious);
    EXPECT_EQ(KLFileInspection::permissionsOf(target), targetPermissions);

    // A dangling link: its target is not created.
    KLFileInspection::removeEntry(m_netrc);
    const QString missing = elsewhere.filePath(s("missing"));
    ASSERT_TRUE(QFile::link(missing, m_netrc));
    EXPECT_FALSE(setUpManager()->passwordManagerIsEnabled());
    EXPECT_FALSE(QFileInfo::exists(missing));

    // Planted after the setup, while the window may save.
    KLFileInspection::removeEntry(m_netrc);
    manager = setUpManager();
    ASSERT_TRUE(manager->passwordManagerIsEnabled());
    setCredentials(*manager, "youtube", s("me"), s("mine"));
    ASSERT_TRUE(QFile::link(target, m_netrc + s(".planted")));
    ASSERT_EQ(::rename(QFile::encodeName(m_netrc + s(".planted")).constData(),
                       QFile::encodeName(m_netrc).constData()),
              0);
    EXPECT_FALSE(manager->saveExtractorDescriptions());
    manager->teardown();
    EXPECT_TRUE(KLFileInspection::isSymbolicLink(m_netrc));
    EXPECT_EQ(KLFileInspection::readBytes(target), precious);
    EXPECT_EQ(KLFileInspection::permissionsOf(target), targetPermissions);
}

TEST_F(TestPasswordManager, WithoutAnExtractorListTheParsedRecordsStayAsTheyAreAndUsable) {
    breakList("extractors");
    KLFileInspection::writeBytes(m_netrc, "machine\tzzz\tlogin\tz\tpassword\tzp\n"
                                          "machine\taaa\tlogin\ta\tpassword\tap\n");
    const auto manager = setUpManager();
    EXPECT_TRUE(manager->passwordManagerIsEnabled());
    const std::vector<Credentials> expected = {{s("zzz"), s("z"), s("zp")}, {s("aaa"), s("a"), s("ap")}};
    EXPECT_EQ(credentialsOf(*manager), expected);
    EXPECT_FALSE(manager->getProviderDictionary().isEmpty());
    setCredentials(*manager, "aaa", s("a2"), s("ap2"));
    ASSERT_TRUE(manager->saveExtractorDescriptions());
    EXPECT_EQ(netrc(), QByteArray("machine\tzzz\tlogin\tz\tpassword\tzp\n"
                                  "machine\taaa\tlogin\ta2\tpassword\tap2\n"));
}

TEST_F(TestPasswordManager, WithoutAProviderListTheStoreIsUnusableAndTheFileIsLeftAlone) {
    breakList("providers");
    const QByteArray contents("machine other.example login me password pw\n\n\n"
                              "machine\tyoutube\tlogin\tyu\tpassword\typ\n");
    KLFileInspection::writeBytes(m_netrc, contents);
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(m_netrc).constData(), &before), 0);

    const auto manager = setUpManager();
    EXPECT_FALSE(manager->passwordManagerIsEnabled());
    EXPECT_EQ(manager->listExtractorDescriptions().size(), 3) << "the extractors were still matched";
    manager->findExtractorDescription(s("youtube"))->setLogin(std::nullopt);
    manager->teardown();
    EXPECT_FALSE(manager->saveExtractorDescriptions());
    struct stat after {};
    ASSERT_EQ(::stat(QFile::encodeName(m_netrc).constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(netrc(), contents);
}

TEST_F(TestPasswordManager, NothingIsWrittenBeforeTheSetup) {
    KLFileInspection::writeBytes(m_netrc, "machine other.example login me password pw");
    KLPasswordManager manager;
    EXPECT_FALSE(manager.passwordManagerIsEnabled());
    manager.teardown();
    EXPECT_FALSE(manager.saveExtractorDescriptions());
    EXPECT_EQ(netrc(), QByteArray("machine other.example login me password pw"));
}

TEST_F(TestPasswordManager, AReaderWhileItIsSavedNeverMeetsATornOrWidelyReadableFile) {
    QByteArray names;
    constexpr int savers = 4;
    for (int saver = 0; saver < savers; ++saver) {
        names += "site" + QByteArray::number(saver) + '\n';
    }
    setExtractors(names);
    const QByteArray foreign("machine other.example login me password pw\n# kept\n");
    KLFileInspection::writeBytes(m_netrc, foreign);
    const auto manager = setUpManager();
    ASSERT_TRUE(manager->passwordManagerIsEnabled());

    std::atomic<bool> saving{true};
    std::atomic<int> reads{0};
    std::atomic<int> faults{0};
    std::thread reader([&] {
        while (saving.load()) {
            const QByteArray contents = netrc();
            const int permissions = KLFileInspection::permissionsOf(m_netrc);
            if ((permissions != -1 && permissions != 0600) || !contents.startsWith(foreign) ||
                !contents.endsWith('\n')) {
                ++faults;
            }
            for (const QByteArray &line : contents.mid(foreign.size()).split('\n')) {
                if (!line.isEmpty() && (line.split('\t').size() != 6 || !line.startsWith("machine\tsite"))) {
                    ++faults;
                }
            }
            ++reads;
        }
    });
    for (int round = 0; round < 30; ++round) {
        for (int saver = 0; saver < savers; ++saver) {
            const auto description = manager->findExtractorDescription(s("site") + QString::number(saver));
            description->setLogin(QStringLiteral("user%1-%2").arg(saver).arg(round));
            description->setPassword(QString(round * 50, QLatin1Char('p')) + QLatin1Char('!'));
            manager->saveExtractorDescriptions();
        }
    }
    saving = false;
    reader.join();

    EXPECT_EQ(faults.load(), 0);
    EXPECT_GT(reads.load(), 0);
    QByteArray expected = foreign;
    for (int saver = 0; saver < savers; ++saver) {
        expected += "machine\tsite" + QByteArray::number(saver) + "\tlogin\tuser" +
                    QByteArray::number(saver) + "-29\tpassword\t" + QByteArray(29 * 50, 'p') + "!\n";
    }
    EXPECT_EQ(netrc(), expected);
}
