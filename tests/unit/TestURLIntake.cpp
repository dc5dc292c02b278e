#include "App/KLAppDelegate.h"
#include "App/KLApplicationUI.h"
#include "App/KLEntryTableController.h"
#include "Flow/Entries/KLEntryFactory.h"
#include "Flow/Entries/KLEntryGenerator.h"
#include "KLEntryTestHarness.h"
#include "KLTestEnvironment.h"
#include "Model/KLEntry/KLEntry.h"
#include "Model/KLEntry/KLEntryDestinationChooser.h"
#include "Model/KLTask/KLError.h"
#include "Model/Passwords/KLPasswordManager.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLObjectRepository.h"
#include "Utils/KLResources.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "Utils/KLServices.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <map>
#include <optional>

using namespace std::chrono_literals;

namespace {

// Records the status line as the main thread sees it.
class StatusRecorder final : public KLApplicationUI {
public:
    void setStatusText(const QString &text) override { texts << text; }
    void setBatchActions(bool processAll, bool clearCompleted, bool clearAll) override {
        batch = {processAll, clearCompleted, clearAll};
    }
    int count(const QString &text) const { return static_cast<int>(texts.count(text)); }
    QStringList texts;
    std::array<bool, 3> batch{false, false, false};
};

// An entry that is ready at once, or after a while, and "runs" only by ending with success.
class InstantEntry final : public KLEntry {
public:
    using KLEntry::KLEntry;
    std::chrono::milliseconds preparation{0};

    void prepareWithCompletion(std::function<void()> completion) override {
        if (cancelled()) {
            setError(cancellationError());
            return;
        }
        if (preparation.count() == 0) {
            setState(readyState);
            completion();
            return;
        }
        KLDispatch::after(preparation, [self = shared_from_this(), completion] {
            self->setState(readyState);
            completion();
        });
    }

protected:
    void doProcessing() override {
        setState(doneState);
        setProcessing(false);
        setCompleted(true);
    }
};

// Answers from a table: a number of entries per URL, URLs to hand back, or a wait for a cancel.
class ScriptedGenerator final : public KLEntryGenerator {
public:
    std::map<QString, int> entries;
    std::map<QString, QList<QUrl>> handBack;
    QString blockOn;
    std::atomic<int> asked{0};
    // Each entry is ready later than the one after it.
    bool readyInReverse = false;
    // What the entries made are given.
    std::shared_ptr<const KLServices> services;

    bool claimsURL(const QUrl &) const override { return true; }
    void generateEntriesForURL(const QUrl &url, GenerationHandler done) override {
        ++asked;
        if (url.toString() == blockOn) {
            m_held = std::move(done); // answered by the cancel, as a stopped task answers
            return;
        }
        Generation generation;
        if (auto back = handBack.find(url.toString()); back != handBack.end()) {
            handBackURLs(back->second, url, generation);
        }
        EntryList made;
        for (int index = 0; index < entries[url.toString()]; ++index) {
            auto entry = std::make_shared<InstantEntry>(services);
            entry->setOriginalURL(url);
            entry->setTitle(QString::number(index));
            if (readyInReverse) {
                entry->preparation = std::chrono::milliseconds(40 * (entries[url.toString()] - index));
            }
            made.push_back(entry);
        }
        if (!made.empty()) {
            generation.entries = made;
        }
        done(std::move(generation));
    }
    void cancel() override {
        m_cancelled = true;
        if (const GenerationHandler held = std::exchange(m_held, nullptr)) {
            held(Generation{});
        }
    }

private:
    GenerationHandler m_held;
};

// Counts the questions where an output should go, and dismisses each.
class CountingChooser final : public KLEntryDestinationChooser {
public:
    std::atomic<int> asked{0};
    void chooseDestinationForEntry(const std::shared_ptr<KLEntry> &, const std::shared_ptr<KLPreferences> &,
                                   const QString &, const QString &, Answer reply) override {
        ++asked;
        reply(std::nullopt);
    }
};

class IntakeTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_harness.preferences()->setAutomaticallyStartDownloading(false);
        m_delegate = std::make_shared<KLAppDelegate>(m_ui);
        *m_delegate->services() = *m_harness.services(); // as the launch would fill them in
        m_generator->services = m_delegate->services();
        m_delegate->tableController()->setDelegate(m_delegate);
        m_delegate->setFactoryMaker([this](const std::shared_ptr<const KLServices> &) {
            return std::make_shared<KLEntryFactory>(KLEntryFactory::Generators{m_generator});
        });
    }

    void intake(const QStringList &urls) {
        QList<QUrl> list;
        for (const QString &url : urls) {
            list << QUrl(url);
        }
        m_delegate->processURLs(list);
    }
    bool settled() {
        return KLTestEnvironment::waitUntil(
            [&] { return m_delegate->callsToProcessURLs() == 0 && m_delegate->preparingEntries() == 0; },
            10s);
    }

    KLEntryTestHarness m_harness;
    std::shared_ptr<StatusRecorder> m_ui = std::make_shared<StatusRecorder>();
    std::shared_ptr<KLAppDelegate> m_delegate;
    std::shared_ptr<ScriptedGenerator> m_generator = std::make_shared<ScriptedGenerator>();
};

} // namespace

TEST_F(IntakeTest, FoundEntriesArePreparedAddedAndTheStatusLineReturnsToIdle) {
    m_generator->entries[QStringLiteral("http://a.example/")] = 2;
    intake({QStringLiteral("http://a.example/")});
    ASSERT_TRUE(settled());
    KLTestEnvironment::waitUntil([] { return false; }, 100ms);
    EXPECT_EQ(m_delegate->tableController()->getEntries().size(), 2u);
    EXPECT_EQ(m_ui->count(QStringLiteral("Analyzing URL: http://a.example/")), 1);
    EXPECT_EQ(m_ui->texts.last(), KLAppDelegate::idleText);
    EXPECT_EQ(m_ui->count(KLAppDelegate::failedText), 0);
    EXPECT_FALSE(m_delegate->foundContent());
    EXPECT_EQ(m_ui->batch, (std::array<bool, 3>{true, false, true}));
}

TEST_F(IntakeTest, NestedCallsNeverShowTheFailureThemselves) {
    // The outer URL hands back two that yield nothing, then finds something itself.
    m_generator->handBack[QStringLiteral("http://outer.example/")] = {
        QUrl(QStringLiteral("http://in1.example/")), QUrl(QStringLiteral("http://in2.example/"))};
    m_generator->entries[QStringLiteral("http://outer.example/")] = 1;
    intake({QStringLiteral("http://outer.example/")});
    ASSERT_TRUE(settled());
    KLTestEnvironment::waitUntil([] { return false; }, 100ms);
    EXPECT_EQ(m_ui->count(KLAppDelegate::failedText), 0);
    EXPECT_EQ(m_delegate->tableController()->getEntries().size(), 1u);

    // When nothing at all is found, only the outermost call reports it.
    m_ui->texts.clear();
    m_generator->entries.clear();
    intake({QStringLiteral("http://outer.example/")});
    ASSERT_TRUE(KLTestEnvironment::waitUntil([&] { return m_ui->count(KLAppDelegate::failedText) > 0; }, 2s));
    EXPECT_EQ(m_ui->count(KLAppDelegate::failedText), 1);
}

TEST_F(IntakeTest, APagesEntriesKeepThePagesOrderWhateverOrderTheyAreReadyIn) {
    m_generator->entries[QStringLiteral("http://page.example/")] = 4;
    m_generator->readyInReverse = true;
    intake({QStringLiteral("http://page.example/")});
    ASSERT_TRUE(settled());
    const std::vector<std::shared_ptr<KLEntry>> queued = m_delegate->tableController()->getEntries();
    ASSERT_EQ(queued.size(), 4u);
    for (int index = 0; index < 4; ++index) {
        EXPECT_EQ(queued.at(static_cast<size_t>(index))->title(), QString::number(index));
    }
}

TEST_F(IntakeTest, CancellingStopsAfterTheCurrentURL) {
    m_generator->blockOn = QStringLiteral("http://first.example/");
    m_generator->entries[QStringLiteral("http://second.example/")] = 1;
    intake({QStringLiteral("http://first.example/"), QStringLiteral("http://second.example/")});
    ASSERT_TRUE(KLTestEnvironment::waitUntil([&] { return m_generator->asked.load() == 1; }, 5s));
    m_delegate->doCancel();
    ASSERT_TRUE(settled());
    EXPECT_EQ(m_generator->asked.load(), 1);
    EXPECT_TRUE(m_delegate->tableController()->getEntries().empty());
    EXPECT_EQ(m_delegate->callsToProcessURLs(), 0u);
}

TEST_F(IntakeTest, AnalyzeCommandChecksItsParameter) {
    const auto missing = m_delegate->analyze(std::nullopt);
    EXPECT_EQ(missing.errorNumber, -50);
    EXPECT_EQ(missing.errorString,
              QStringLiteral(
                  "Parameter Error: A Parameter is expected for the verb 'analyze' (You have to specify what "
                  "URL you want to analyze)."));
    for (const QString &bad : {QStringLiteral("   \n"), QStringLiteral("::::"), QStringLiteral("no url")}) {
        const auto result = m_delegate->analyze(bad);
        EXPECT_EQ(result.errorNumber, -50) << bad.toStdString();
        EXPECT_EQ(result.errorString, QStringLiteral("Parameter Error: Invalid URL."));
    }
    // A request that comes while the program still launches waits for the launch, as URL events do (the
    // restored queue would otherwise analyse it a second time); only web and file addresses are taken.
    m_generator->entries[QStringLiteral("http://ok.example/")] = 1;
    EXPECT_EQ(m_delegate->analyze(QStringLiteral("javascript:alert(1)")).errorNumber, 0);
    EXPECT_EQ(m_delegate->analyze(QStringLiteral("http://ok.example/")).errorNumber, 0);
    EXPECT_FALSE(KLTestEnvironment::waitUntil([&] { return m_generator->asked.load() > 0; },
                                              std::chrono::milliseconds(300)));
    m_delegate->setLaunched();
    ASSERT_TRUE(KLTestEnvironment::waitUntil(
        [&] { return m_delegate->tableController()->getEntries().size() == 1; }));
    EXPECT_EQ(m_generator->asked.load(), 1);
}

TEST_F(IntakeTest, BatchActions) {
    m_generator->entries[QStringLiteral("http://a.example/")] = 3;
    intake({QStringLiteral("http://a.example/")});
    ASSERT_TRUE(settled());
    auto entries = m_delegate->tableController()->getEntries();
    ASSERT_EQ(entries.size(), 3u);

    m_delegate->clearCompleted(); // none completed: nothing changes
    EXPECT_EQ(m_delegate->tableController()->getEntries().size(), 3u);

    m_delegate->processAll();
    ASSERT_TRUE(KLTestEnvironment::waitUntil([&] {
        return std::all_of(entries.begin(), entries.end(),
                           [](const auto &entry) { return entry->completed(); });
    }));
    EXPECT_FALSE(m_harness.preferences()->automaticallyStartDownloading()); // restored
    KLTestEnvironment::waitUntil([] { return false; }, 100ms);
    EXPECT_EQ(m_ui->batch, (std::array<bool, 3>{false, true, true}));

    m_delegate->processAll(); // completed entries run again
    ASSERT_TRUE(KLTestEnvironment::waitUntil([&] {
        return std::all_of(entries.begin(), entries.end(),
                           [](const auto &entry) { return entry->completed(); });
    }));

    m_delegate->clearCompleted();
    EXPECT_TRUE(m_delegate->tableController()->getEntries().empty());

    intake({QStringLiteral("http://a.example/")});
    ASSERT_TRUE(settled());
    m_delegate->clearAll();
    EXPECT_TRUE(m_delegate->tableController()->getEntries().empty());
    KLTestEnvironment::waitUntil([] { return false; }, 100ms);
    EXPECT_EQ(m_ui->batch, (std::array<bool, 3>{false, false, false}));
}

TEST_F(IntakeTest, URLEventsWaitForTheLaunchAndRefuseOtherSchemes) {
    m_generator->entries[QStringLiteral("http://late.example/x")] = 1;
    m_generator->entries[QStringLiteral("javascript:alert(1)")] = 1;
    m_delegate->handleGetURLEvent(QStringLiteral("javascript:alert(1)"));
    m_delegate->handleGetURLEvent(QStringLiteral("kinlkurl://late.example/x"));
    KLTestEnvironment::waitUntil([] { return false; }, 300ms);
    EXPECT_EQ(m_generator->asked.load(), 0);
    m_delegate->setLaunched();
    ASSERT_TRUE(KLTestEnvironment::waitUntil(
        [&] { return m_delegate->tableController()->getEntries().size() == 1; }));
    EXPECT_EQ(m_delegate->tableController()->getEntries().front()->originalURL(),
              QUrl(QStringLiteral("http://late.example/x")));
    KLTestEnvironment::waitUntil([] { return false; }, 200ms);
    EXPECT_EQ(m_generator->asked.load(), 1);
}

// The credentials' lists serve only the password window: a first launch, which has to make them with two
// slow downloader runs, takes its requests while they are made (here, until the test lets them end).
TEST_F(IntakeTest, TheLaunchTakesRequestsWhileTheCredentialsListsAreMade) {
    QTemporaryDir resources;
    const QString release = resources.filePath(QStringLiteral("release"));
    const std::map<QString, QString> outputs{
        {QStringLiteral("list_ytdl_extractors.sh"), QStringLiteral("generic\\n")},
        {QStringLiteral("list_ytdl_providers.sh"),
         QStringLiteral("Supported TV Providers:\\nmso name\\nabc$ABC\\n")},
        {QStringLiteral("update_downloaders.sh"), QString()}};
    for (const auto &[name, output] : outputs) {
        KLTestEnvironment::writeScript(
            resources.path(), name,
            QStringLiteral("while [ ! -e '%1' ]; do sleep 0.05; done\nprintf '%2'\n").arg(release, output));
    }
    KLResources::setResourcesDirectory(resources.path());
    m_generator->entries[QStringLiteral("http://early.example/x")] = 1;
    m_delegate->handleGetURLEvent(QStringLiteral("kinlkurl://early.example/x"));
    m_delegate->doFinishApplicationLaunch(true);
    const auto passwords = m_delegate->services()->passwordManager;
    EXPECT_TRUE(KLTestEnvironment::waitUntil(
        [&] { return m_delegate->tableController()->getEntries().size() == 1; }, 20s));
    EXPECT_FALSE(passwords->passwordManagerIsEnabled());
    KLTestEnvironment::writeFile(release, QByteArray());
    EXPECT_TRUE(KLTestEnvironment::waitUntil([&] { return passwords->passwordManagerIsEnabled(); }, 20s));
    KLResources::setResourcesDirectory(QString());
    KLObjectRepository::singleton()->removeAllObjects(); // what the launch registered
}

TEST_F(IntakeTest, NewEntriesStartAsTheQueuesOwnerDecidedElseAsStored) {
    const struct {
        std::optional<bool> decided;
        bool stored;
        bool starts;
    } cases[] = {
        {std::nullopt, false, false}, {std::nullopt, true, true}, {true, false, true}, {false, true, false}};
    int number = 0;
    for (const auto &row : cases) {
        const QString url = QStringLiteral("http://case%1.example/").arg(++number);
        SCOPED_TRACE(url.toStdString());
        m_harness.preferences()->setAutomaticallyStartDownloading(row.stored);
        m_delegate->tableController()->setAutomaticStart(row.decided);
        m_generator->entries[url] = 1;
        intake({url});
        ASSERT_TRUE(settled());
        const auto entry = m_delegate->tableController()->getEntries().back();
        EXPECT_EQ(KLTestEnvironment::waitUntil([&entry] { return entry->completed(); }, 300ms), row.starts);
        EXPECT_EQ(m_harness.preferences()->automaticallyStartDownloading(), row.stored);
    }
}

TEST_F(IntakeTest, ProcessAllPlacesEveryOutputWithoutAskingAndNeverTouchesTheStoredSetting) {
    auto chooser = std::make_shared<CountingChooser>();
    m_delegate->services()->destinationChooser = chooser;
    m_generator->entries[QStringLiteral("http://a.example/")] = 3;
    intake({QStringLiteral("http://a.example/")});
    ASSERT_TRUE(settled());
    const auto entries = m_delegate->tableController()->getEntries();
    ASSERT_EQ(entries.size(), 3u);
    KLTestEnvironment::runPostedWork();
    const QString store = KLDefaultPreferences::storeFilePath();
    QFile::remove(store);

    m_delegate->processAll();
    EXPECT_TRUE(KLTestEnvironment::waitUntil([&] {
        return std::all_of(entries.begin(), entries.end(),
                           [](const auto &entry) { return entry->completed(); });
    }));
    EXPECT_EQ(chooser->asked.load(), 0);
    KLTestEnvironment::runPostedWork();
    EXPECT_FALSE(QFileInfo::exists(store)) << "the stored setting was changed meanwhile";
    EXPECT_FALSE(m_harness.preferences()->automaticallyStartDownloading());
}
