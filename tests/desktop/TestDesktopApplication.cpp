// The desktop program as a user and the desktop meet it: on an X server and a session bus of the test's
// own, with the real downloader and converter against the test web server.
#include "App/KLURLSchemeDecoder.h"
#include "KLKinolarkRunner.h"
#include "KLPrivateSessionBus.h"
#include "KLTestEnvironment.h"
#include "KLVirtualDisplay.h"
#include "KLYTDLTestSite.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Model/Preferences/KLSettingsStore.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLQueuePersistence.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

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
        return environment;
    }
    static bool programOnTheBus() {
        return QDBusConnection::sessionBus().interface()->isServiceRegistered(service).value();
    }

    // Starts the program and waits until it answers on the bus.
    QProcess &start(const QStringList &arguments = {}) {
        auto *program = new QProcess();
        program->setProcessEnvironment(desktopEnvironment());
        program->setProcessChannelMode(QProcess::ForwardedErrorChannel);
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
            return KLTestEnvironment::startedProcessesRunning({s("yt-dlp"), s("ffmpeg"), s("kinolarkpro")}) ==
                   0;
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
