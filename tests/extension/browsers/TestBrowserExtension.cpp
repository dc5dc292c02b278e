// The extension in Debian's Chromium and Firefox ESR, headless, with the host it starts, handing pages to
// a fake application and to the real desktop program, each on a session bus of the test's own.
#include "App/KLURLSchemeDecoder.h"
#include "Desktop/KLBrowserHostGrabber.h"
#include "Desktop/KLBrowserPresence.h"
#include "KLBrowserSession.h"
#include "KLFakeDesktopApplication.h"
#include "KLFileInspection.h"
#include "KLPrivateSessionBus.h"
#include "KLTestEnvironment.h"
#include "KLVirtualDisplay.h"
#include "KLYTDLTestSite.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Model/Preferences/KLSettingsStore.h"
#include "Utils/KLKinolarkUtils.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonValue>
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

using Kind = KLBrowserSession::Kind;

class BrowserExtensionTest : public ::testing::TestWithParam<Kind> {
protected:
    static void SetUpTestSuite() {
        s_bus = new KLPrivateSessionBus();
        s_display = new KLVirtualDisplay();
        s_ready = s_bus->start() && s_display->start();
    }
    static void TearDownTestSuite() {
        delete s_display;
        delete s_bus;
    }

    void SetUp() override {
        ASSERT_TRUE(s_ready) << "no X server or session bus for the test";
        ASSERT_TRUE(m_site.addMedia(s("clip.mp4"), KLMediaFixtures::Clip360p));
        ASSERT_TRUE(m_site.start());
        m_browser = KLBrowserSession::make(GetParam());
        ASSERT_TRUE(m_browser->start()) << m_browser->lastError().toStdString();
        // The extension connects to its host as soon as it runs; the host then holds the browser's name.
        ASSERT_TRUE(KLTestEnvironment::waitUntil([this] { return onTheBus(m_browser->busName()); }, 30s))
            << m_browser->log().toStdString();
    }
    void TearDown() override {
        if (HasFailure() && m_browser != nullptr) {
            std::cerr << "What the browser said:\n" << m_browser->log().toStdString() << std::endl;
        }
        if (HasFailure()) {
            std::cerr << "What the program said:\n" << programLog().right(8000).toStdString() << std::endl;
        }
        m_browser.reset();
        if (m_program.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(m_program.processId()), SIGTERM);
            if (!m_program.waitForFinished(20000)) {
                m_program.kill();
                m_program.waitForFinished();
            }
        }
    }

    static bool onTheBus(const QString &name) {
        return QDBusConnection::sessionBus().interface()->isServiceRegistered(name).value();
    }
    static QDBusMessage call(const QString &service, const QString &path, const QString &interface,
                             const QString &method) {
        return QDBusConnection::sessionBus().call(
            QDBusMessage::createMethodCall(service, path, interface, method), QDBus::Block, 20000);
    }
    // What the application's grab takes from the browser (the host runs apart, so this thread may wait).
    static std::optional<KLBrowserGrabber::Page> grab() { return KLBrowserHostGrabber().grabPage(grabbed()); }
    static KLBrowserGrabber::Browser grabbed() {
        return GetParam() == Kind::Firefox ? KLBrowserGrabber::Browser::Firefox
                                           : KLBrowserGrabber::Browser::Chrome;
    }

    // A page that shows no player itself: its script puts the player's page into an iframe, so the video
    // is found only in the source the browser hands over.
    QUrl articleEmbedding(const QString &name, const QString &title) {
        m_site.addPage(name + s("-player.html"), title, {s("clip.mp4")});
        const QString article = s("/") + name + s(".html");
        m_site.server().addRoute(
            article,
            (s("<html><head><title>Article</title></head><body><p>No player here.</p><script>"
               "const frame = document.createElement('iframe'); frame.src = '/") +
             name + s("-player.html'; document.body.appendChild(frame);</script></body></html>"))
                .toUtf8(),
            "text/html; charset=utf-8");
        return m_site.server().qurl(article);
    }

    // Starts the desktop program, downloading by itself into m_output, and waits until it is on the bus.
    bool startProgram() {
        QFile::remove(KLDefaultPreferences::storeFilePath());
        KLSettingsStore(KLDefaultPreferences::storeFilePath()).write([this](QSettings &settings) {
            settings.setValue(KLDefaultPreferences::storeMarkerKey, s("yes"));
            settings.setValue(s("automaticallyStartDownloading"), s("yes"));
            settings.setValue(s("downloadLocation"), m_output.path());
        });
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(s("DISPLAY"), s_display->display());
        environment.insert(s("QT_QPA_PLATFORM"), s("xcb"));
        m_program.setProcessEnvironment(environment);
        m_program.setStandardErrorFile(m_logs.filePath(s("program.log")));
        m_program.start(KLTestEnvironment::binaryDirectory() + s("/bin/kinolarkpro"));
        return KLTestEnvironment::waitUntil([] { return onTheBus(s("org.kinolark.KinolarkPro")); }, 30s);
    }
    QString programLog() const { return KLTestEnvironment::readFile(m_logs.filePath(s("program.log"))); }
    QStringList outputs() const { return QDir(m_output.path()).entryList(QDir::Files, QDir::Name); }
    bool waitForOutputs(int count) const {
        return KLTestEnvironment::waitUntil([this, count] { return outputs().size() >= count; }, 180s);
    }

    static inline KLPrivateSessionBus *s_bus = nullptr;
    static inline KLVirtualDisplay *s_display = nullptr;
    static inline bool s_ready = false;
    KLYTDLTestSite m_site;
    std::unique_ptr<KLBrowserSession> m_browser;
    QTemporaryDir m_output;
    QTemporaryDir m_logs;
    QProcess m_program;
};

} // namespace

TEST_P(BrowserExtensionTest, TheButtonAndAGrabHandOverThePageAsTheBrowserHasIt) {
    KLFakeDesktopApplication application;
    ASSERT_TRUE(application.start());
    // Text beyond ASCII, both quotes, line breaks and a part the page's script wrote itself.
    m_site.server().addRoute(
        s("/quotes.html"),
        s("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Grüße</title></head>\n<body>\r\n"
          "<p class='a' title=\"b\">Ünïcödé — 日本語 🎬 'single' \"double\" &amp; &lt;tag&gt;</p>\n\n"
          "<pre>line one\n\tline two\n</pre>\n"
          "<script>document.body.insertAdjacentHTML('beforeend', '<p id=\"late\">written "
          "later</p>');</script>\n"
          "</body></html>\n")
            .toUtf8(),
        "text/html; charset=utf-8");
    const QUrl page = m_site.server().qurl(s("/quotes.html"));
    ASSERT_TRUE(m_browser->openPage(page)) << m_browser->lastError().toStdString();
    const std::optional<QString> shown = m_browser->pageSource();
    ASSERT_TRUE(shown.has_value());
    ASSERT_TRUE(shown->contains(s("written later")));

    ASSERT_TRUE(m_browser->pressToolbarButton()) << m_browser->lastError().toStdString();
    ASSERT_TRUE(KLTestEnvironment::waitUntil([&] { return !application.openedURIs().isEmpty(); }, 20s));
    const QString handed = application.openedURIs().first();
    EXPECT_TRUE(handed.startsWith(s("kinlkurl://127.0.0.1:"))) << handed.left(200).toStdString();
    const KLURLSchemeDecoder::Request decoded = KLURLSchemeDecoder::decode(handed);
    EXPECT_EQ(decoded.urlText, page.toString());
    ASSERT_TRUE(decoded.source.has_value());
    EXPECT_EQ(*decoded.source, *shown);

    // A grab asks the same tab through the connection the extension keeps open ("Chrome" finds Chromium).
    EXPECT_TRUE(KLBrowserPresence::isRunning(grabbed()));
    const std::optional<KLBrowserGrabber::Page> taken = grab();
    ASSERT_TRUE(taken.has_value());
    EXPECT_EQ(taken->url, page);
    EXPECT_EQ(taken->html, shown);

    // A tab that is still loading (its page is all there, a script it loads on the side is not) is neither
    // sent nor grabbed.
    m_site.server().addRoute(
        s("/slow.html"),
        "<html><body><script async src=\"/slow.js\"></script><p id=\"end\"></p></body></html>", "text/html");
    m_site.server().addRoute(s("/slow.js"), QByteArray(64 * 1024, ' '), "text/javascript");
    m_site.server().stallAfter(s("/slow.js"), 16);
    ASSERT_TRUE(m_browser->openPage(m_site.server().qurl(s("/slow.html")), false));
    ASSERT_TRUE(KLTestEnvironment::waitUntil(
        [this] { return m_browser->pageSource().value_or(QString()).contains(s("id=\"end\"")); }, 20s));
    KLTestEnvironment::waitUntil([] { return false; }, 500ms); // the page script is in place
    ASSERT_EQ(m_site.server().stalledConnections(), 1);
    EXPECT_TRUE(m_browser->pressToolbarButton()) << m_browser->lastError().toStdString();
    EXPECT_FALSE(grab().has_value());
    KLTestEnvironment::waitUntil([] { return false; }, 1s);
    EXPECT_EQ(application.openedURIs().size(), 1);
    m_site.server().releaseStalls();
}

TEST_P(BrowserExtensionTest, TheVideoInAPagesIframeEndsInTheDownloadFolderAndAClosedBrowserGivesNothing) {
    ASSERT_TRUE(startProgram());
    const QString command = GetParam() == Kind::Firefox ? s("GrabFirefox") : s("GrabChrome");
    const auto grabFromProgram = [&] {
        return call(s("org.kinolark.KinolarkPro"), s("/org/kinolark/KinolarkPro"),
                    s("org.kinolark.KinolarkPro"), command);
    };

    ASSERT_TRUE(m_browser->openPage(articleEmbedding(s("sent"), s("Sent Feature"))));
    ASSERT_TRUE(m_browser->pressToolbarButton()) << m_browser->lastError().toStdString();
    ASSERT_TRUE(waitForOutputs(1));
    EXPECT_EQ(outputs().filter(s("Sent Feature")).size(), 1) << outputs().join(s(", ")).toStdString();

    ASSERT_TRUE(m_browser->openPage(articleEmbedding(s("grabbed"), s("Grabbed Feature"))));
    EXPECT_EQ(grabFromProgram().type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(waitForOutputs(2));
    EXPECT_EQ(outputs().filter(s("Grabbed Feature")).size(), 1) << outputs().join(s(", ")).toStdString();

    // Once the browser is gone, so is its host, and a grab finds nothing, at once.
    const QString name = m_browser->busName();
    m_browser->stop();
    ASSERT_TRUE(KLTestEnvironment::waitUntil([&] { return !onTheBus(name); }, 20s));
    EXPECT_FALSE(KLBrowserPresence::isRunning(grabbed()));
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(grab().has_value());
    EXPECT_LT(timer.elapsed(), 500);
    EXPECT_EQ(grabFromProgram().type(), QDBusMessage::ReplyMessage);
    KLTestEnvironment::waitUntil([] { return false; }, 3s);
    EXPECT_EQ(outputs().size(), 2) << outputs().join(s(", ")).toStdString();
}

// Signed in to a members' area in the browser, the button hands the site's session over with the page and
// its video lands. The session is on no command line, in no log line, neither in the remembered queue nor
// in the settings, and its file goes once the video has been placed. Turned off in the extension's
// options, the hand-over leaves the program to say that the site wants a signed-in session.
TEST_P(BrowserExtensionTest, TheButtonHandsTheSitesSessionOverUnlessTheOptionsSayNot) {
    const QByteArray session = m_site.server().requireSignIn(s("/members/"));
    const QByteArray value = session.mid(session.indexOf('=') + 1);
    ASSERT_TRUE(m_site.addMedia(s("members/clip.mp4"), KLMediaFixtures::ClipTiny));
    m_site.addPage(s("members/night.html"), s("Members Night"), {s("members/clip.mp4")});
    m_site.addPage(s("members/day.html"), s("Members Day"), {s("members/clip.mp4")});
    ASSERT_TRUE(startProgram());
    ASSERT_TRUE(m_browser->openPage(m_site.server().qurl(s("/login"))));

    ASSERT_TRUE(m_browser->openPage(m_site.server().qurl(s("/members/night.html"))));
    ASSERT_TRUE(m_browser->pressToolbarButton()) << m_browser->lastError().toStdString();
    QStringList exposing;
    int downloads = 0;
    ASSERT_TRUE(KLTestEnvironment::waitUntil(
        [&] {
            exposing << KLFileInspection::commandLinesHolding({value}, downloads);
            return !outputs().isEmpty();
        },
        180s));
    EXPECT_EQ(outputs().filter(s("Members Night")).size(), 1) << outputs().join(s(", ")).toStdString();
    EXPECT_GT(downloads, 0) << "the command lines were read while the video downloaded";
    EXPECT_TRUE(exposing.isEmpty()) << exposing.join(s("\n")).toStdString();
    const QString data = KLKinolarkUtils::getApplicationDataDirectory();
    EXPECT_TRUE(KLTestEnvironment::waitUntil(
        [&data] { return KLFileInspection::filesNamed(data, s("cookies.txt")).isEmpty(); }, 10s))
        << KLFileInspection::filesNamed(data, s("cookies.txt")).join(s(", ")).toStdString();
    for (const QString &kept : {programLog(), KLTestEnvironment::readFile(data + s("/queue.txt")),
                                KLTestEnvironment::readFile(KLDefaultPreferences::storeFilePath())}) {
        EXPECT_FALSE(kept.contains(QString::fromLatin1(value)));
    }

    const std::optional<QUrl> options = m_browser->extensionPage(s("options.html"));
    ASSERT_TRUE(options.has_value()) << m_browser->lastError().toStdString();
    ASSERT_TRUE(m_browser->openPage(*options)) << m_browser->lastError().toStdString();
    const QString box = s("document.getElementById('send-cookies')");
    ASSERT_TRUE(KLTestEnvironment::waitUntil(
        [&] { return m_browser->evaluateInPage(box + s(".checked")) == QJsonValue(true); }, 10s));
    ASSERT_TRUE(m_browser->evaluateInPage(box + s(".click(), true")).has_value());
    ASSERT_TRUE(KLTestEnvironment::waitUntil(
        [&] {
            return m_browser->evaluateInPage(s("document.getElementById('status').textContent")) ==
                   QJsonValue(s("Cookies are not handed over."));
        },
        10s));
    ASSERT_TRUE(m_browser->openPage(m_site.server().qurl(s("/members/day.html"))));
    ASSERT_TRUE(m_browser->pressToolbarButton()) << m_browser->lastError().toStdString();
    EXPECT_TRUE(KLTestEnvironment::waitUntil(
        [this] {
            const QString log = programLog();
            return log.contains(s("HTTP Error 403")) && log.contains(s("signed-in session"));
        },
        60s));
    EXPECT_EQ(outputs().size(), 1) << outputs().join(s(", ")).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Browsers, BrowserExtensionTest, ::testing::Values(Kind::Chromium, Kind::Firefox),
                         [](const ::testing::TestParamInfo<Kind> &info) {
                             return KLBrowserSession::name(info.param).toStdString();
                         });
