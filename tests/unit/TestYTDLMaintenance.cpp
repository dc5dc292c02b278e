// The downloader's maintenance: the listing and update tasks with stand-in scripts, the listing scripts with
// a stand-in downloader printing captured output, and the refresh script with stand-in launchers.

#include "KLTestEnvironment.h"

#include "Model/KLTask/YTDL/KLListYTDLExtractorsTask.h"
#include "Model/KLTask/YTDL/KLListYTDLProvidersTask.h"
#include "Model/KLTask/YTDL/KLUpdateYTDLTask.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLObjectRepository.h"
#include "Utils/KLResources.h"
#include "Utils/KLScriptInstance.h"
#include "Utils/KLScriptManager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>

namespace {

void runToEnd(const std::shared_ptr<KLTask> &task) {
    task->start();
    ASSERT_TRUE(KLTestEnvironment::waitUntil([&task] { return task->finished(); }, std::chrono::seconds(60)));
}

// The tasks with stand-in scripts: each records its arguments, each closed by a NUL byte, and prints what
// the test put into its "output" file.
class TestYTDLMaintenanceTasks : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_resources.isValid());
        KLObjectRepository::singleton()->removeAllObjects();
        KLResources::setResourcesDirectory(m_resources.path());
        for (const QString &name :
             {QStringLiteral("list_ytdl_providers"), QStringLiteral("list_ytdl_extractors"),
              QStringLiteral("update_downloaders")}) {
            KLTestEnvironment::writeScript(m_resources.path(), name + QStringLiteral(".sh"),
                                           QStringLiteral("cd \"$(dirname \"$0\")\"\n"
                                                          "printf '%s\\0' \"$@\" > arguments\n"
                                                          "if [ -n \"${3:-}\" ]; then\n"
                                                          "  stat -c %a \"$3\" > credentials\n"
                                                          "  cat \"$3\" >> credentials\n"
                                                          "fi\n"
                                                          "cat output 2>/dev/null\n"));
        }
    }
    void TearDown() override {
        KLResources::setResourcesDirectory(QString());
        KLObjectRepository::singleton()->removeAllObjects();
    }

    void setOutput(const QByteArray &output) {
        KLTestEnvironment::writeFile(m_resources.filePath(QStringLiteral("output")), output);
    }
    QStringList arguments() const {
        QStringList found = KLTestEnvironment::readFile(m_resources.filePath(QStringLiteral("arguments")))
                                .split(QChar(u'\0'));
        found.removeLast(); // after the last NUL
        return found;
    }

    QTemporaryDir m_resources;
};

} // namespace

TEST_F(TestYTDLMaintenanceTasks, ListingsAreTrimmedAndAnEmptyOneIsErrorFour) {
    const auto providers = std::make_shared<KLListYTDLProvidersTask>();
    const auto extractors = std::make_shared<KLListYTDLExtractorsTask>();
    EXPECT_EQ(providers->type(), KLTask::shortProcessingType);
    EXPECT_EQ(extractors->type(), KLTask::shortProcessingType);

    setOutput(" \n\t\n\n");
    runToEnd(providers);
    runToEnd(extractors);
    EXPECT_EQ(providers->taskDescription(), QStringLiteral("Listing providers..."));
    EXPECT_EQ(extractors->taskDescription(), QStringLiteral("Listing YTDL extractors..."));
    ASSERT_NE(providers->error(), nullptr);
    ASSERT_NE(extractors->error(), nullptr);
    EXPECT_EQ(providers->error()->description(), QStringLiteral("4: Could not list YTDL providers"));
    EXPECT_EQ(extractors->error()->description(), QStringLiteral("4: Could not list YTDL extractors"));
    EXPECT_FALSE(providers->result().has_value());
    EXPECT_EQ(arguments(), QStringList{KLKinolarkUtils::getYTDLPath()});

    setOutput("\n  Supported TV Providers:\nmso  mso name\nDTV$DIRECTV\n\n");
    const auto listed = std::make_shared<KLListYTDLProvidersTask>();
    runToEnd(listed);
    EXPECT_EQ(listed->error(), nullptr);
    EXPECT_EQ(listed->resultAs<QString>(),
              QStringLiteral("Supported TV Providers:\nmso  mso name\nDTV$DIRECTV"));
    EXPECT_EQ(listed->scriptInstance(), nullptr);
}

TEST_F(TestYTDLMaintenanceTasks, AListingIsKeptUntilTheDownloaderOrTheScriptChanges) {
    const auto list = [] {
        const auto task = std::make_shared<KLListYTDLExtractorsTask>();
        runToEnd(task);
        return task->error() == nullptr ? task->resultAs<QString>() : QString();
    };
    const QString working = KLKinolarkUtils::getYTDLPath();
    KLTestEnvironment::writeFile(working, "#!/bin/sh\n");
    setOutput("first\n");
    ASSERT_EQ(list(), QStringLiteral("first"));

    // The same downloader and script: the stored listing, without running the script.
    setOutput("second\n");
    QFile::remove(m_resources.filePath(QStringLiteral("arguments")));
    EXPECT_EQ(list(), QStringLiteral("first"));
    EXPECT_FALSE(QFileInfo::exists(m_resources.filePath(QStringLiteral("arguments"))));

    // A replaced working copy (as an update leaves it) makes the listing afresh.
    KLTestEnvironment::writeFile(working, "#!/bin/sh\n# updated\n");
    EXPECT_EQ(list(), QStringLiteral("second"));

    // So does a changed listing script; an empty listing is never stored.
    const QString script = m_resources.filePath(QStringLiteral("list_ytdl_extractors.sh"));
    KLTestEnvironment::writeFile(script, KLTestEnvironment::readFile(script).toUtf8() + "\n");
    setOutput("\n");
    EXPECT_EQ(list(), QString());
    setOutput("third\n");
    EXPECT_EQ(list(), QStringLiteral("third"));
    QFile::remove(working);
}

TEST_F(TestYTDLMaintenanceTasks, UpdateKeepsTheReportAsItIsAndHandsTheProxyCredentialsInAPrivateFile) {
    const auto withoutPreferences = std::make_shared<KLUpdateYTDLTask>();
    EXPECT_EQ(withoutPreferences->type(), KLTask::shortDownloadType);
    setOutput("");
    runToEnd(withoutPreferences);
    EXPECT_EQ(withoutPreferences->error(), nullptr); // an empty report is no failure
    EXPECT_EQ(withoutPreferences->resultAs<QString>(), QString());
    EXPECT_EQ(arguments(), (QStringList{KLKinolarkUtils::getYTDLPath(), QString(), QString()}));

    auto preferences = std::make_shared<KLDefaultPreferences>();
    preferences->setSaving(false);
    preferences->setUseUpdateProxy(true);
    preferences->setUpdateProxyHost(QStringLiteral("proxy.example"));
    preferences->setUpdateProxyPort(QStringLiteral("8080"));
    preferences->setUpdateProxyUsername(QStringLiteral("me"));
    preferences->setUpdateProxyPassword(QStringLiteral("p a$s'\""));
    setOutput("\n\nDownloader: here\n  \n\n");
    const auto task = std::make_shared<KLUpdateYTDLTask>();
    task->setSettings(preferences);
    runToEnd(task);
    EXPECT_EQ(task->taskDescription(), QStringLiteral("Updating downloaders..."));
    EXPECT_EQ(task->resultAs<QString>(), QStringLiteral("\n\nDownloader: here\n  \n\n"));
    const QStringList passed = arguments();
    ASSERT_EQ(passed.size(), 3);
    EXPECT_EQ(passed.mid(0, 2),
              (QStringList{KLKinolarkUtils::getYTDLPath(), QStringLiteral("https://proxy.example:8080")}));
    // The credentials were in a file only the user could read, which is gone once the script has ended.
    EXPECT_FALSE(QFileInfo::exists(passed.at(2)));
    EXPECT_EQ(KLTestEnvironment::readFile(m_resources.filePath(QStringLiteral("credentials"))),
              QStringLiteral("600\nme:p%20a%24s%27%22\n"));

    const auto install = std::make_shared<KLUpdateYTDLTask>(KLUpdateYTDLTask::Mode::install);
    runToEnd(install);
    EXPECT_EQ(install->taskDescription(), QStringLiteral("Installing extra tools..."));
    EXPECT_EQ(arguments().value(3), QStringLiteral("install"));
}

namespace {

// The shipped listing scripts, run with a stand-in downloader that prints captured output.
class TestYTDLListingScripts : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }

    QString run(const QString &script, const QByteArray &downloaderOutput) {
        KLTestEnvironment::writeFile(m_folder.filePath(QStringLiteral("output")), downloaderOutput);
        const QString downloader = KLTestEnvironment::writeScript(
            m_folder.path(), QStringLiteral("ytdl"),
            QStringLiteral("#!/bin/bash\nprintf '%s\\0' \"$@\" > \"$(dirname \"$0\")/arguments\"\n"
                           "cat \"$(dirname \"$0\")/output\"\n"));
        return KLTestEnvironment::runScript(KLScriptManager::commandForScript(script, {downloader}));
    }

    QTemporaryDir m_folder;
};

} // namespace

TEST_F(TestYTDLListingScripts, ProvidersBecomeIdDollarNameLinesAfterTwoHeadings) {
    const QString output = run(QStringLiteral("list_ytdl_providers"), "Supported TV Providers:\n"
                                                                      "mso               mso name\n"
                                                                      "DTV               DIRECTV\n"
                                                                      "ATT               AT&T U-verse\n"
                                                                      "Charter_Direct    Charter Spectrum  \n"
                                                                      "\n"
                                                                      "lonely\n");
    EXPECT_EQ(output, QStringLiteral("Supported TV Providers:\n"
                                     "mso               mso name\n"
                                     "DTV$DIRECTV\n"
                                     "ATT$AT&T U-verse\n"
                                     "Charter_Direct$Charter Spectrum\n"));
    EXPECT_EQ(run(QStringLiteral("list_ytdl_providers"), ""), QString());
}

TEST_F(TestYTDLListingScripts, ExtractorsAreNamesACredentialsFileCanHold) {
    const QString output = run(QStringLiteral("list_ytdl_extractors"), "youtube\n"
                                                                       "youtube:tab\n"
                                                                       "Bilibili category extractor\n"
                                                                       "spotify (CURRENTLY BROKEN)\n"
                                                                       "southpark.cc.com:espa\xc3\xb1ol\n"
                                                                       "youtube\n"
                                                                       "\n"
                                                                       "vimeo  \r\n");
    EXPECT_EQ(output,
              QStringLiteral("youtube\nyoutube:tab\nspotify\nsouthpark.cc.com:espa\u00f1ol\nvimeo\n"));
}

namespace {

// The refresh script, copied beside a stand-in shipped launcher, refreshing a working copy in a folder of
// its own.
class TestUpdateScript : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_shippedFolder.isValid());
        ASSERT_TRUE(m_dataFolder.isValid());
        ASSERT_TRUE(QFile::copy(
            KLResources::pathForResource(QStringLiteral("update_downloaders"), QStringLiteral("sh")),
            m_shippedFolder.filePath(QStringLiteral("update_downloaders.sh"))));
        m_workingCopy = m_dataFolder.filePath(QStringLiteral("ytdl"));
    }

    static QString launcher(const QString &version) {
        return QStringLiteral("#!/bin/bash\n[ \"$1\" = --version ] && echo %1\n").arg(version);
    }
    void ship(const QString &body) {
        KLTestEnvironment::writeScript(m_shippedFolder.path(), QStringLiteral("ytdl"), body);
    }
    void install(const QString &body) {
        KLTestEnvironment::writeScript(m_dataFolder.path(), QStringLiteral("ytdl"), body);
    }

    QString update() {
        return KLTestEnvironment::runScript(KLScriptManager::commandForScriptAtPath(
            m_shippedFolder.filePath(QStringLiteral("update_downloaders.sh")),
            {m_workingCopy, QString(), QString()}));
    }
    QString workingCopy() const { return KLTestEnvironment::readFile(m_workingCopy); }
    // Nothing but the working copy is left in its folder.
    QStringList leftovers() const {
        return QDir(m_dataFolder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir m_shippedFolder;
    QTemporaryDir m_dataFolder;
    QString m_workingCopy;
};

} // namespace

TEST_F(TestUpdateScript, NeverReplacesAWorkingCopyWithAWorseOne) {
    ship(launcher(QStringLiteral("2023.03.04")));
    install(launcher(QStringLiteral("2099.01.01")));
    EXPECT_TRUE(update().contains(QStringLiteral("Installed copy is newer than the shipped copy: kept")));
    EXPECT_EQ(workingCopy(), launcher(QStringLiteral("2099.01.01")));

    ship(QStringLiteral("#!/bin/bash\necho 'not a downloader' >&2\nexit 127\n"));
    install(launcher(QStringLiteral("2020.01.01")));
    EXPECT_TRUE(update().contains(QStringLiteral("Shipped copy does not run")));
    EXPECT_EQ(workingCopy(), launcher(QStringLiteral("2020.01.01")));

    QFile::remove(m_shippedFolder.filePath(QStringLiteral("ytdl")));
    EXPECT_TRUE(update().contains(QStringLiteral("No shipped copy")));
    EXPECT_EQ(workingCopy(), launcher(QStringLiteral("2020.01.01")));

    // Something that is no file where the copy belongs stays untouched, and nothing is left behind.
    ship(launcher(QStringLiteral("2023.03.04")));
    QFile::remove(m_workingCopy);
    ASSERT_TRUE(QDir().mkpath(m_workingCopy + QStringLiteral("/inside")));
    EXPECT_TRUE(update().contains(QStringLiteral("Downloader not updated")));
    EXPECT_TRUE(QFileInfo(m_workingCopy + QStringLiteral("/inside")).isDir());
    EXPECT_EQ(leftovers(), QStringList{QStringLiteral("ytdl")});
}

TEST_F(TestUpdateScript, TheRefreshRunsAtTheLowestPriority) {
    const QString reportsPriority = QStringLiteral("#!/bin/bash\n[ \"$1\" = --version ] && nice\n");
    ship(reportsPriority);
    install(reportsPriority);
    EXPECT_TRUE(update().contains(QStringLiteral("Installed version: 19")));
}

TEST_F(TestUpdateScript, ATerminatedRefreshLeavesNoCandidateBehind) {
    // A shipped copy that hangs when asked for its version: the refresh is stopped while it checks it.
    ship(QStringLiteral("#!/bin/bash\nsleep 600\n"));
    KLScriptManager manager;
    const auto instance = manager.runScriptAsyncWithCommand(
        KLScriptManager::commandForScriptAtPath(
            m_shippedFolder.filePath(QStringLiteral("update_downloaders.sh")),
            {m_workingCopy, QString(), QString()}),
        nullptr, nullptr);
    ASSERT_TRUE(KLTestEnvironment::waitUntil([this] { return leftovers().size() == 1; }));
    const pid_t group = instance->processIdentifier();
    instance->terminate();
    EXPECT_TRUE(
        KLTestEnvironment::waitUntil([group] { return !KLTestEnvironment::processGroupAlive(group); }));
    EXPECT_TRUE(leftovers().isEmpty());
}
