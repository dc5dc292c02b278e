// The desktop program as a user and the desktop meet it: on an X server and a session bus of the test's
// own, with the real downloader and converter against the test web server.
#include "App/KLURLIntake.h"
#include "App/KLURLSchemeDecoder.h"
#include "KLKinolarkRunner.h"
#include "KLPrivateSessionBus.h"
#include "KLTestEnvironment.h"
#include "KLVirtualDisplay.h"
#include "KLYTDLTestSite.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Model/Preferences/KLPreferences.h"
#include "Model/Preferences/KLSettingsStore.h"
#include "Utils/KLKeptDownloads.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLQueuePersistence.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <iostream>

using namespace std::chrono_literals;

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

const QString service = s("org.kinolark.KinolarkPro");
const QString objectPath = s("/org/kinolark/KinolarkPro");

QString desktopProgram() {
    return KLTestEnvironment::binaryDirectory() + s("/bin/kinolarkpro");
}

class DesktopApplicationTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_bus = new KLPrivateSessionBus();
        s_display = new KLVirtualDisplay();
        if (!s_bus->start() || !s_display->start()) {
            s_ready = false;
        }
    }
    static void TearDownTestSuite() {
        delete s_display;
        delete s_bus;
    }

    void SetUp() override {
        ASSERT_TRUE(s_ready) << "no X server or session bus for the desktop program";
        ASSERT_TRUE(m_site.addMedia(s("clip.mp4"), KLMediaFixtures::Clip360p));
        m_site.addPage(s("page.html"), s("Movie Night"), {s("clip.mp4")});
        m_site.addPage(s("second.html"), s("Second Feature"), {s("clip.mp4")});
        ASSERT_TRUE(m_site.start());
        QFile::remove(KLDefaultPreferences::storeFilePath());
        QFile::remove(queueFile());
        storeSettings({{s("automaticallyStartDownloading"), s("yes")},
                       {s("downloadLocation"), m_output.path()},
                       {s("rememberQueue"), s("unfinished")}});
    }
    void TearDown() override {
        for (QProcess *program : m_programs) {
            quit(*program);
            delete program;
        }
    }

    static QString queueFile() {
        return QDir(KLKinolarkUtils::getApplicationDataDirectory()).filePath(KLQueuePersistence::fileName);
    }
    static void storeSettings(const QMap<QString, QString> &values) {
        KLSettingsStore(KLDefaultPreferences::storeFilePath()).write([&values](QSettings &settings) {
            settings.setValue(KLDefaultPreferences::storeMarkerKey, s("yes"));
            for (auto value = values.cbegin(); value != values.cend(); ++value) {
                settings.setValue(value.key(), value.value());
            }
        });
    }
    static QProcessEnvironment desktopEnvironment() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(s("DISPLAY"), s_display->display());
        environment.insert(s("QT_QPA_PLATFORM"), s("xcb"));
        environment.remove(s("WAYLAND_DISPLAY"));
        KLTestEnvironment::removeProxyVariables(environment);
        return environment;
    }
    static bool programOnTheBus() {
        return QDBusConnection::sessionBus().interface()->isServiceRegistered(service).value();
    }

    // Starts the program and waits until it answers on the bus. With `diagnostics`, its diagnostic lines are
    // kept to be read from its standard error.
    QProcess &start(const QStringList &arguments = {}, bool diagnostics = false) {
        auto *program = new QProcess();
        QProcessEnvironment environment = desktopEnvironment();
        if (diagnostics) {
            environment.insert(s("QT_LOGGING_RULES"), s("kinolark.diagnostic=true"));
        }
        program->setProcessEnvironment(environment);
        program->setProcessChannelMode(diagnostics ? QProcess::SeparateChannels
                                                   : QProcess::ForwardedErrorChannel);
        program->start(desktopProgram(), arguments);
        m_programs << program;
        EXPECT_TRUE(KLTestEnvironment::waitUntil([] { return programOnTheBus(); }, 30s));
        return *program;
    }
    static QDBusMessage call(const QString &interface, const QString &method, const QVariantList &arguments) {
        QDBusMessage message = QDBusMessage::createMethodCall(service, objectPath, interface, method);
        message.setArguments(arguments);
        return QDBusConnection::sessionBus().call(message);
    }
    // Asks the program to end, as the desktop does, and waits for it.
    static void quit(QProcess &program) {
        if (program.state() == QProcess::NotRunning) {
            return;
        }
        ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
        if (!program.waitForFinished(20000)) {
            program.kill();
            program.waitForFinished();
        }
    }
    // The finished files, without the hidden one a file has while it is being put in place.
    QStringList outputs() const { return QDir(m_output.path()).entryList(QDir::Files, QDir::Name); }
    bool waitForOutputs(int count, std::chrono::milliseconds timeout = 180s) const {
        return KLTestEnvironment::waitUntil([this, count] { return outputs().size() >= count; }, timeout);
    }

    static inline KLPrivateSessionBus *s_bus = nullptr;
    static inline KLVirtualDisplay *s_display = nullptr;
    static inline bool s_ready = true;
    KLYTDLTestSite m_site;
    QTemporaryDir m_output;
    QList<QProcess *> m_programs;
};

} // namespace

TEST_F(DesktopApplicationTest, AnalyzeAndASecondLaunchBothEndInTheDownloadFolder) {
    start();
    const QDBusMessage reply =
        call(s("org.kinolark.KinolarkPro"), s("Analyze"), {m_site.url(s("page.html"))});
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    ASSERT_TRUE(waitForOutputs(1));
    EXPECT_TRUE(outputs().first().endsWith(s(".mov")));

    // A second launch hands its URL over and leaves at once.
    QProcess second;
    second.setProcessEnvironment(desktopEnvironment());
    QElapsedTimer timer;
    timer.start();
    second.start(desktopProgram(), {m_site.url(s("second.html"))});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_EQ(second.exitCode(), 0);
    ASSERT_TRUE(waitForOutputs(2));
    EXPECT_EQ(outputs().filter(s("Second Feature")).size(), 1) << outputs().join(s(", ")).toStdString();
}

TEST_F(DesktopApplicationTest, APageSourceHandedOverWithItsAddressIsAnalysedFromTheSource) {
    start();
    // The page itself shows no player; the source the browser saw embeds one.
    m_site.server().addRoute(s("/host/article.html"), "<html><body>nothing here</body></html>", "text/html");
    const QString source = s("<html><body><iframe src=\"/page.html\"></iframe></body></html>");
    const QString address = m_site.url(s("host/article.html")).replace(s("http://"), s("kinlkurl://"));
    const QDBusMessage reply = call(
        s("org.freedesktop.Application"), s("Open"),
        {QStringList{address + KLURLSchemeDecoder::dataMarker + KLURLSchemeDecoder::encodePayload(source)},
         QVariantMap()});
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    ASSERT_TRUE(waitForOutputs(1));
}

TEST_F(DesktopApplicationTest, QuittingMidDownloadLeavesNothingRunningAndTheQueueComesBack) {
    // Each answer stalls after this much: measuring gives up on the beginning, and the download that goes on
    // from there stalls in turn.
    m_site.server().stallAfter(s("/clip.mp4"), 16 * 1024);
    QProcess &program = start();
    call(s("org.kinolark.KinolarkPro"), s("Analyze"), {m_site.url(s("page.html"))});
    // The download has begun once the program asks for the clip with a range past what the preview read.
    ASSERT_TRUE(KLTestEnvironment::waitUntil(
        [this] {
            return KLTestEnvironment::startedProcessesRunning({s("yt-dlp")}) > 0 &&
                   m_site.server().stalledConnections() > 0 &&
                   KLTestEnvironment::readFile(queueFile()).contains(s("page.html"));
        },
        120s));
    KLTestEnvironment::waitUntil([] { return false; }, 1500ms); // well into the download
    quit(program);
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    m_site.server().releaseStalls();
    EXPECT_TRUE(KLTestEnvironment::waitUntil(
        [] {
            // The downloader the program keeps imported names itself only by the variable it reads.
            return KLTestEnvironment::startedProcessesRunning(
                       {s("yt-dlp"), s("ffmpeg"), s("kinolarkpro"), s("KINOLARK_DOWNLOADER_PROGRAM")}) == 0;
        },
        10s));
    EXPECT_TRUE(outputs().isEmpty());
    const QDir downloads(KLKinolarkUtils::getDownloadsDirectory());
    EXPECT_LE(downloads.entryList(QDir::Dirs | QDir::NoDotAndDotDot).filter(s("process-")).size(), 1)
        << downloads.entryList(QDir::Dirs | QDir::NoDotAndDotDot).join(s(", ")).toStdString();

    // What was not done is remembered, and the next start takes it up again.
    EXPECT_TRUE(KLTestEnvironment::readFile(queueFile()).contains(s("page.html")));
    m_site.server().clearBehaviour(s("/clip.mp4"));
    start();
    ASSERT_TRUE(waitForOutputs(1));
}

TEST_F(DesktopApplicationTest, AProgramQuitOrKilledMidDownloadContinuesItAtTheNextStartWithOneRangeRequest) {
    storeSettings({{s("container"), KLPreferences::downloadOnlyNoConversion}});
    const qint64 size = m_site.sizeOf(s("clip.mp4"));
    const auto keptPartial = &KLTestEnvironment::keptPartialSize;
    for (const bool killed : {true, false}) {
        SCOPED_TRACE(killed ? "killed" : "quit");
        for (QProcess *earlier : m_programs) {
            quit(*earlier);
        }
        KLKeptDownloads().clear();
        for (const QString &output : outputs()) {
            QFile::remove(QDir(m_output.path()).filePath(output));
        }
        m_site.server().throttle(s("/clip.mp4"), size / 8);
        QProcess &program = start();
        call(service, s("Analyze"), {m_site.url(s("page.html"))});
        ASSERT_TRUE(KLTestEnvironment::waitUntil([&] { return keptPartial() >= size / 2; }, 120s));
        if (killed) {
            program.kill(); // as at a power cut: nothing of the program runs to its end
            program.waitForFinished();
        } else {
            quit(program); // as the desktop asks at logout
        }
        ASSERT_TRUE(KLTestEnvironment::waitUntil(
            [] { return KLTestEnvironment::startedProcessesRunning({s("yt-dlp")}) == 0; }, 10s));
        const qint64 keptSize = keptPartial();
        m_site.server().clearBehaviour(s("/clip.mp4"));
        m_site.server().clearRequests();

        start();
        ASSERT_TRUE(waitForOutputs(1));
        QFile placed(QDir(m_output.path()).filePath(outputs().first()));
        ASSERT_TRUE(placed.open(QIODevice::ReadOnly));
        EXPECT_TRUE(placed.readAll() == m_site.contentsOf(s("clip.mp4")));
        const QList<QByteArray> ranges = m_site.server().rangesFor(s("/clip.mp4"));
        EXPECT_EQ(ranges.count("bytes=" + QByteArray::number(keptSize) + "-"), 1)
            << ranges.join(' ').toStdString();
        EXPECT_TRUE(KLTestEnvironment::waitUntil([&] { return keptPartial() == 0; }, 10s));
    }

    // Ended after the file was placed but before the queue forgot the page: the next start finds the page
    // again, and its video comes back done without being fetched.
    quit(*m_programs.last());
    KLTestEnvironment::writeFile(queueFile(), m_site.url(s("page.html")).toUtf8() + "\n");
    m_site.server().clearRequests();
    start();
    ASSERT_TRUE(KLTestEnvironment::waitUntil(
        [this] { return !m_site.server().requestsFor(s("/page.html")).isEmpty(); }, 60s));
    KLTestEnvironment::waitUntil([] { return false; }, 3s); // time to fetch, were it to
    EXPECT_TRUE(m_site.server().requestsFor(s("/clip.mp4")).isEmpty());
    EXPECT_EQ(outputs().size(), 1);
}

namespace {

// What the kernel says of a running program: its threads and its resident memory.
int threadsOf(qint64 pid) {
    return static_cast<int>(
        QDir(s("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

qint64 residentKiBOf(qint64 pid) {
    for (const QString &line :
         KLTestEnvironment::readFile(s("/proc/%1/status").arg(pid)).split(QLatin1Char('\n'))) {
        if (line.startsWith(s("VmRSS:"))) {
            return line.section(QLatin1Char(':'), 1).trimmed().section(QLatin1Char(' '), 0, 0).toLongLong();
        }
    }
    return 0;
}

// The analyses under way: each runs one listing or scraping script at a time, a process group of its own
// (the downloader's update, whose command line names the downloader too, is none of them).
int analysesRunning() {
    QSet<pid_t> groups;
    for (const auto &process :
         KLTestEnvironment::startedProcesses({s("/ytdl_json_information.sh"), s("/xidel_urls.sh")})) {
        groups.insert(process.group);
    }
    return static_cast<int>(groups.size());
}

} // namespace

// A thousand Analyze calls at once (fifty of them web pages that hold nothing), then an address of 10 MB:
// every call is served, a few analyses run at a time, the window keeps answering, and the memory comes back.
TEST_F(DesktopApplicationTest, ABurstOfCallsAndAHugeAddressKeepTheProgramSmallAndAnswering) {
    QProcess &program = start();
    const qint64 pid = program.processId();
    KLTestEnvironment::waitUntil([] { return false; }, 3s); // the launch's own work settles
    const qint64 residentBefore = residentKiBOf(pid);
    const int threadsBefore = threadsOf(pid);

    QDBusConnection bus = QDBusConnection::sessionBus();
    const auto analyze = [&bus](const QString &address) {
        QDBusMessage message = QDBusMessage::createMethodCall(service, objectPath, service, s("Analyze"));
        message.setArguments({address});
        return bus.asyncCall(message);
    };
    QList<QDBusPendingCall> calls;
    constexpr int callCount = 1000;
    constexpr int pageCount = 50;
    for (int i = 0; i < callCount - pageCount; ++i) {
        calls << analyze(s("file:///nonexistent/burst/%1.mp4").arg(i));
    }
    for (int i = 0; i < pageCount; ++i) {
        calls << analyze(m_site.url(s("nothing/%1.html").arg(i)));
    }
    // Analysed once the downloader and then the scraper have asked for each page, and nothing runs any more.
    const auto analysed = [this] {
        for (int i = 0; i < pageCount; ++i) {
            if (m_site.server().requestsFor(s("/nothing/%1.html").arg(i)).size() < 2) {
                return false;
            }
        }
        return KLTestEnvironment::startedProcessesRunning({s("yt-dlp"), s("curl")}) == 0;
    };
    int mostThreads = 0;
    int mostAnalyses = 0;
    qint64 slowestAnswer = 0;
    QElapsedTimer burst;
    burst.start();
    while (!analysed() && burst.elapsed() < 300000) {
        mostThreads = std::max(mostThreads, threadsOf(pid));
        mostAnalyses = std::max(mostAnalyses, analysesRunning());
        // A call the window refuses at once: how long its main thread keeps a caller waiting.
        QElapsedTimer answer;
        answer.start();
        call(service, s("Analyze"), {s("   ")});
        slowestAnswer = std::max(slowestAnswer, answer.elapsed());
        KLTestEnvironment::waitUntil([] { return false; }, 50ms);
    }
    const qint64 burstSeconds = burst.elapsed() / 1000;
    int answered = 0;
    for (QDBusPendingCall &pending : calls) {
        pending.waitForFinished();
        answered += pending.isError() ? 0 : 1;
    }
    EXPECT_TRUE(analysed()) << "not analysed in " << burstSeconds << " s";
    EXPECT_EQ(answered, callCount);
    // A script that has answered may take a moment to exit while the next analysis starts its own.
    EXPECT_LE(mostAnalyses, KLURLIntake::maximumConcurrentAnalyses + 1);
    EXPECT_LT(mostThreads, threadsBefore + 40);
    EXPECT_LT(slowestAnswer, 1000);

    // An address of 10 MB is refused at once, before it is parsed, and leaves nothing behind.
    QElapsedTimer huge;
    huge.start();
    const QString hugeAddress = m_site.url(s("page.html?q=")) + QString(10 * 1024 * 1024, QLatin1Char('a'));
    const QDBusMessage refused = call(service, s("Analyze"), {hugeAddress});
    const qint64 hugeMilliseconds = huge.elapsed();
    EXPECT_EQ(refused.errorName(), s("org.kinolark.KinolarkPro.Error.InvalidParameter"));
    KLTestEnvironment::waitUntil([] { return false; }, 2s);
    const qint64 residentAfter = residentKiBOf(pid);
    EXPECT_LT(residentAfter - residentBefore, 50 * 1024);
    std::cout << "burst of " << callCount << " calls (" << pageCount << " web pages): " << burstSeconds
              << " s; threads " << threadsBefore << " before, at most " << mostThreads
              << "; analyses at once " << mostAnalyses << "; slowest answer of the window " << slowestAnswer
              << " ms\n"
              << "10 MB address refused in " << hugeMilliseconds << " ms; resident memory "
              << residentBefore / 1024 << " MB before, " << residentAfter / 1024 << " MB after" << std::endl;
}
