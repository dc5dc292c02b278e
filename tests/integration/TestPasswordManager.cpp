// The credentials store with the real yt-dlp: the stored logins reconciled with the extractors it really
// has, its TV providers, and a saved file that the downloader's own netrc reader accepts.

#include "KLFileInspection.h"
#include "KLTestEnvironment.h"
#include "KLYTDLTestSite.h"

#include "Model/KLTask/YTDL/KLYTDLExtractorDescription.h"
#include "Model/Passwords/KLPasswordManager.h"
#include "Utils/KLObjectRepository.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

// The interpreter that runs the system's yt-dlp, from its "#!" line.
QString downloadersPython() {
    QFile program(s("/usr/bin/yt-dlp"));
    const QByteArray first = program.open(QIODevice::ReadOnly) ? program.readLine().trimmed() : QByteArray();
    return first.startsWith("#!/") ? QString::fromUtf8(first.mid(2)).section(QLatin1Char(' '), 0, 0)
                                   : s("python3");
}

// What Python's netrc module, which yt-dlp reads the file with, finds for each machine (it also refuses a
// file that others may read).
QString readByNetrcModule(const QStringList &machines) {
    QProcess python;
    python.start(downloadersPython(),
                 QStringList({s("-c"), s("import netrc, sys\n"
                                         "n = netrc.netrc()\n"
                                         "for machine in sys.argv[1:]:\n"
                                         "    print(machine, n.authenticators(machine))\n")}) +
                     machines);
    if (!python.waitForFinished(60000)) {
        return QString();
    }
    return QString::fromUtf8(python.readAllStandardOutput() + python.readAllStandardError());
}

class TestPasswordManager : public ::testing::Test {
protected:
    void SetUp() override {
        KLObjectRepository::singleton()->removeAllObjects();
        ASSERT_TRUE(KLYTDLTestSite::installLauncher());
        m_netrc = QDir::home().filePath(s(".netrc"));
        KLFileInspection::removeEntry(m_netrc);
    }

    void TearDown() override { KLFileInspection::removeEntry(m_netrc); }

    QString m_netrc;
};

} // namespace

TEST_F(TestPasswordManager, TheDownloadersExtractorsAndProvidersShapeTheStoreAndItsFile) {
    const QByteArray foreign("machine other.example login me password pw\n\n"
                             "machine second.example\n  login you\n  password pw2\n");
    KLFileInspection::writeBytes(m_netrc, QByteArray(foreign +
                                                     "machine\tnosuchextractorxyz\tlogin\tn\tpassword\tnp\n" +
                                                     "machine\tyoutube\tlogin\tyu\tpassword\typ\n"));
    const auto passwords = std::make_shared<KLPasswordManager>();
    ASSERT_TRUE(KLTestEnvironment::runUntilDone([&passwords](auto done) { passwords->setup(done); },
                                                std::chrono::seconds(120)));
    KLPasswordManager &manager = *passwords;
    ASSERT_TRUE(manager.passwordManagerIsEnabled());
    EXPECT_EQ(KLFileInspection::permissionsOf(m_netrc), 0600);

    const auto descriptions = manager.listExtractorDescriptions();
    EXPECT_GT(descriptions.size(), 500);
    EXPECT_TRUE(
        std::is_sorted(descriptions.cbegin(), descriptions.cend(),
                       [](const auto &left, const auto &right) { return left->name() < right->name(); }));
    EXPECT_EQ(manager.findExtractorDescription(s("nosuchextractorxyz")), nullptr);
    const auto youtube = manager.findExtractorDescription(s("YOUTUBE"));
    ASSERT_NE(youtube, nullptr);
    EXPECT_EQ(youtube->login(), s("yu"));
    EXPECT_EQ(youtube->password(), s("yp"));
    const auto vimeo = manager.findExtractorDescription(s("vimeo"));
    ASSERT_NE(vimeo, nullptr);
    EXPECT_EQ(vimeo->login(), std::nullopt);

    const KLPasswordManager::ProviderDictionary providers = manager.getProviderDictionary();
    EXPECT_GT(providers.size(), 50);
    for (auto provider = providers.cbegin(); provider != providers.cend(); ++provider) {
        EXPECT_FALSE(provider.key().trimmed().isEmpty());
        EXPECT_FALSE(provider.value().isEmpty() || provider.value().contains(QLatin1Char(' ')))
            << provider.value().toStdString();
    }

    vimeo->setLogin(s("vu"));
    vimeo->setPassword(s("v p\\\"w"));
    ASSERT_TRUE(manager.saveExtractorDescriptions());
    const QByteArray expected = foreign + "machine\tnosuchextractorxyz\tlogin\tn\tpassword\tnp\n" +
                                "machine\tvimeo\tlogin\tvu\tpassword\t\"v p\\\\\\\"w\"\n" +
                                "machine\tyoutube\tlogin\tyu\tpassword\typ\n";
    EXPECT_EQ(KLFileInspection::readBytes(m_netrc), expected);
    EXPECT_EQ(KLFileInspection::permissionsOf(m_netrc), 0600);

    const QString read =
        readByNetrcModule({s("vimeo"), s("youtube"), s("other.example"), s("second.example")});
    // Python shows the password v p\"w as 'v p\\"w'.
    EXPECT_TRUE(read.contains(s("vimeo ('vu', '', 'v p\\\\\"w')"))) << read.toStdString();
    EXPECT_TRUE(read.contains(s("youtube ('yu', '', 'yp')"))) << read.toStdString();
    EXPECT_TRUE(read.contains(s("other.example ('me', '', 'pw')"))) << read.toStdString();
    EXPECT_TRUE(read.contains(s("second.example ('you', '', 'pw2')"))) << read.toStdString();

    // At exit the same credentials are saved again, leaving the file as it is.
    manager.teardown();
    EXPECT_EQ(KLFileInspection::readBytes(m_netrc), expected);
}
