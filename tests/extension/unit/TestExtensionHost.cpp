// The extension's host on its own, fed framed messages as a browser sends them, with the application
// played by a fake on a session bus of the test's own.
#include "App/KLURLSchemeDecoder.h"
#include "KLBrowserSession.h"
#include "KLFakeDesktopApplication.h"
#include "KLPrivateSessionBus.h"
#include "KLTestEnvironment.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <iostream>

using namespace std::chrono_literals;

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

QByteArray frame(const QByteArray &body) {
    const quint32 length = static_cast<quint32>(body.size());
    return QByteArray(reinterpret_cast<const char *>(&length), sizeof length) + body;
}

QByteArray frame(const QJsonObject &message) {
    return frame(QJsonDocument(message).toJson(QJsonDocument::Compact));
}

QByteArray lengthOnly(quint32 length) {
    return QByteArray(reinterpret_cast<const char *>(&length), sizeof length);
}

// The host as a browser runs it: messages in on standard input, answers out on standard output.
class Host {
public:
    explicit Host(const QStringList &arguments = {}) {
        m_process.start(KLBrowserSession::hostProgram(), arguments);
        m_process.waitForStarted();
    }
    ~Host() {
        m_process.kill();
        m_process.waitForFinished();
    }
    // Writes all of it as fast as the host reads, as a browser does.
    void send(const QByteArray &bytes) {
        m_sent.start();
        m_process.write(bytes);
        while (m_process.bytesToWrite() > 0 && m_process.waitForBytesWritten(30000)) {
        }
    }
    void endInput() { m_process.closeWriteChannel(); }
    // The next answer, or an empty object when none came in time.
    QJsonObject next(std::chrono::milliseconds timeout = 30s) {
        KLTestEnvironment::waitUntil([this] { return complete(); }, timeout);
        if (!complete()) {
            return {};
        }
        const quint32 length = *reinterpret_cast<const quint32 *>(m_output.constData());
        const QJsonObject answer = QJsonDocument::fromJson(m_output.mid(4, length)).object();
        m_output.remove(0, 4 + length);
        return answer;
    }
    // Waits for the host to end; its exit status, or -1 when it did not end.
    int finish() {
        KLTestEnvironment::waitUntil([this] { return m_process.state() == QProcess::NotRunning; }, 60s);
        return m_process.state() == QProcess::NotRunning ? m_process.exitCode() : -1;
    }
    QString errors() { return m_errors += QString::fromUtf8(m_process.readAllStandardError()); }
    bool saidNothingMore() { return !complete() && m_output.isEmpty(); }
    // The next answer, printed with the seconds it took since the last message was sent.
    QJsonObject timedAnswer(const char *what, double &seconds) {
        const QJsonObject answer = next();
        seconds = static_cast<double>(m_sent.elapsed()) / 1000.0;
        std::cout << what << ": answered in " << seconds
                  << " s: " << QJsonDocument(answer).toJson(QJsonDocument::Compact).toStdString()
                  << std::endl;
        return answer;
    }

private:
    bool complete() {
        m_output += m_process.readAllStandardOutput();
        return m_output.size() >= 4 &&
               m_output.size() >= 4 + *reinterpret_cast<const quint32 *>(m_output.constData());
    }

    QProcess m_process;
    QByteArray m_output;
    QString m_errors;
    QElapsedTimer m_sent;
};

QJsonObject page(const QString &url, const QString &code) {
    return {{s("url"), url}, {s("code"), code}};
}

// At least `bytes` of UTF-8 of what pages hold: markup, quotes, line breaks, escapes and text beyond ASCII.
QString markup(qsizetype bytes) {
    const QString row =
        s("<p class='row' data-x=\"1\">Grüße, 日本語 🎬 100% + a&amp;b \\ / ?#\r\n\ttab</p>\n");
    return s("<html><head><meta charset=\"utf-8\"></head><body>\n") +
           row.repeated(bytes / row.toUtf8().size() + 1) + s("</body></html>");
}

// What the host hands over for a page: its address in the application's scheme, then the source.
QString handOverURL(const QString &scheme, const QString &url, const QString &source) {
    return scheme + url.mid(url.indexOf(s("://")) + 3) + KLURLSchemeDecoder::dataMarker +
           KLURLSchemeDecoder::encodePayload(source);
}

class ExtensionHostTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_bus = new KLPrivateSessionBus();
        s_ready = s_bus->start();
    }
    static void TearDownTestSuite() { delete s_bus; }
    void SetUp() override { ASSERT_TRUE(s_ready) << "no session bus for the test"; }

    static bool onTheBus(const QString &name) {
        return QDBusConnection::sessionBus().interface()->isServiceRegistered(name).value();
    }

    static inline KLPrivateSessionBus *s_bus = nullptr;
    static inline bool s_ready = false;
};

} // namespace

TEST_F(ExtensionHostTest, RefusesWhatItCannotHandOverAndNeverCrashes) {
    struct Case {
        const char *what;
        QByteArray input;
        int exitCode;       // 0: the input ended cleanly; 1: it broke off
        QStringList errors; // what each error answer says, in order
    };
    const QList<Case> cases = {
        {"empty input", {}, 0, {}},
        {"malformed JSON, then a message without its source",
         frame(QByteArray("{\"url\": \"http://127.0.0.1/\", ")) +
             frame(QJsonObject{{s("url"), s("http://127.0.0.1/")}}),
         0,
         {s("malformed JSON"), s("\"code\"")}},
        {"not an object", frame(QByteArray("[\"http://127.0.0.1/\"]")), 0, {s("not a JSON object")}},
        {"an empty message", frame(QByteArray()), 0, {s("malformed JSON")}},
        {"a source that is not text",
         frame(QJsonObject{{s("url"), s("http://127.0.0.1/")}, {s("code"), 5}}),
         0,
         {s("\"code\"")}},
        {"cookies that are no list",
         frame(QJsonObject{{s("url"), s("http://127.0.0.1/")}, {s("code"), s("")}, {s("cookies"), s("a=b")}}),
         0,
         {s("\"cookies\" must be a list")}},
        {"not a web page",
         frame(page(s("about:blank"), s("<html></html>"))),
         0,
         {s("not a web or file address")}},
        {"a script address",
         frame(page(s("javascript:alert(1)"), s("<html></html>"))),
         0,
         {s("not a web or file address")}},
        {"an address holding the data marker",
         frame(page(s("http://127.0.0.1/?q=kinlkdata::AAAA"), s("<html></html>"))),
         0,
         {s("cannot carry")}},
        {"a length longer than what follows", lengthOnly(100) + QByteArray("{}"), 1, {s("ended after 2")}},
        {"input ending inside the length", QByteArray("\x05\x00", 2), 1, {s("inside a message's length")}},
        {"a message over 64 MiB", lengthOnly(64u * 1024u * 1024u + 1u), 1, {s("larger than")}},
    };
    for (const Case &test : cases) {
        SCOPED_TRACE(test.what);
        Host host;
        host.send(test.input);
        host.endInput();
        for (const QString &error : test.errors) {
            const QJsonObject answer = host.next();
            EXPECT_EQ(answer.value(s("ok")), QJsonValue(false))
                << QJsonDocument(answer).toJson().toStdString();
            EXPECT_TRUE(answer.value(s("error")).toString().contains(error))
                << answer.value(s("error")).toString().toStdString();
        }
        EXPECT_EQ(host.finish(), test.exitCode);
        EXPECT_TRUE(host.saidNothingMore());
        EXPECT_EQ(host.errors().count(s("KLPRESULTERROR: ")), test.errors.size())
            << host.errors().toStdString();
    }
}

TEST_F(ExtensionHostTest, HandsPagesOverToTheApplicationExactly) {
    KLFakeDesktopApplication application;
    ASSERT_TRUE(application.start());
    struct Case {
        QString url;
        QString source;
        QString scheme;
    };
    const QList<Case> cases = {
        {s("http://127.0.0.1:8080/watch?v=1&list=2#t=3"), markup(5 * 1024 * 1024), s("kinlkurl://")},
        {s("https://127.0.0.1/path/to/page.html"), s("<p>\"short\"</p>"), s("kinlkurls://")},
    };
    for (const Case &test : cases) {
        SCOPED_TRACE(test.url.toStdString());
        const qsizetype before = application.openedURIs().size();
        Host host;
        host.send(frame(page(test.url, test.source)));
        EXPECT_EQ(host.next(), QJsonObject({{s("ok"), true}}));
        host.endInput();
        EXPECT_EQ(host.finish(), 0);
        ASSERT_EQ(application.openedURIs().size(), before + 1);
        const QString handed = application.openedURIs().last();
        EXPECT_EQ(handed, handOverURL(test.scheme, test.url, test.source));
        const KLURLSchemeDecoder::Request decoded = KLURLSchemeDecoder::decode(handed);
        EXPECT_EQ(decoded.urlText, test.url);
        ASSERT_TRUE(decoded.source.has_value());
        EXPECT_TRUE(*decoded.source == test.source);
    }
}

// What a Qt application takes in one call before its D-Bus library stops reading (63 MiB of messages held),
// less the room of the call's header.
constexpr qsizetype largestURL = 63 * 1024 * 1024 - 1024;

TEST_F(ExtensionHostTest, APageUpToWhatTheApplicationTakesArrivesWholeAndALargerOneIsRefusedAtOnce) {
    KLFakeDesktopApplication application;
    ASSERT_TRUE(application.start());
    // Each "<" is escaped to three bytes that Base64 makes four: the URL's size is a simple sum, and only the
    // whole encoding shows whether it fits (Base64 alone would make it a third as large).
    const QString escaped((largestURL - 100) / 4, QLatin1Char('<'));
    const QString base = s("http://127.0.0.1/");
    const qsizetype fixed = handOverURL(s("kinlkurl://"), base, escaped).size();
    const auto padded = [&](qsizetype urlBytes) {
        return base + QString(urlBytes - fixed, QLatin1Char('x'));
    };
    struct Case {
        const char *what;
        QString url;
        QString source;
        bool arrives;
    };
    const QList<Case> cases = {
        {"the largest URL", padded(largestURL), escaped, true},
        {"one byte more", padded(largestURL + 1), escaped, false},
        {"a page of 50 MiB", base, markup(50 * 1024 * 1024), false},
    };
    for (const Case &test : cases) {
        SCOPED_TRACE(test.what);
        const qsizetype before = application.openedURIs().size();
        Host host;
        host.send(frame(page(test.url, test.source)));
        double seconds = 0;
        const QJsonObject answer = host.timedAnswer(test.what, seconds);
        std::cout << "  the source: " << test.source.toUtf8().size() << " bytes" << std::endl;
        host.endInput();
        EXPECT_EQ(host.finish(), 0);
        EXPECT_EQ(answer.value(s("ok")), QJsonValue(test.arrives));
        ASSERT_EQ(application.openedURIs().size(), before + (test.arrives ? 1 : 0));
        if (test.arrives) {
            EXPECT_EQ(application.openedURIs().last().toUtf8().size(), largestURL);
            EXPECT_TRUE(KLURLSchemeDecoder::decode(application.openedURIs().last()).source == test.source);
            EXPECT_TRUE(onTheBus(s("org.kinolark.KinolarkPro"))) << "the application no longer hears the bus";
        } else {
            EXPECT_TRUE(answer.value(s("error")).toString().contains(s("too large to hand over")));
            // Refused before any call, so long before the host's deadline for one (15 s).
            EXPECT_LT(seconds, 15.0);
        }
    }
}

TEST_F(ExtensionHostTest, AFailedHandOverIsAnsweredWithinSecondsAndLoggedAndNotTriedAgain) {
    using Answer = KLFakeDesktopApplication::Answer;
    struct Case {
        const char *what;
        std::optional<Answer> application; // nothing: no application on the bus
        bool busStopped;                   // the bus daemon stops before the host connects to it
        QString error;
        qsizetype opened;
    };
    const QString refused = s("KinolarkPro did not take the page: ");
    const QList<Case> cases = {
        {"no application", std::nullopt, false, refused, 0},
        {"the application refuses", Answer::Refused, false, refused + s("refused"), 1},
        {"the application never answers", Answer::None, false,
         refused + s("it did not answer within 10 seconds"), 1},
        {"the bus stopped", Answer::Taken, true,
         refused + s("the session bus did not answer within 15 seconds"), 0},
    };
    for (const Case &test : cases) {
        SCOPED_TRACE(test.what);
        KLFakeDesktopApplication application;
        if (test.application) {
            ASSERT_TRUE(application.start());
            application.answerWith(*test.application);
        }
        // Signal 0 does nothing; the bus goes on for what comes after, whatever fails here.
        const auto daemon = static_cast<pid_t>(s_bus->processId());
        ::kill(daemon, test.busStopped ? SIGSTOP : 0);
        const auto resume = qScopeGuard([&] { ::kill(daemon, test.busStopped ? SIGCONT : 0); });
        Host host;
        host.send(frame(page(s("http://127.0.0.1/a.html"), s("<p>a</p>"))));
        double seconds = 0;
        const QJsonObject answer = host.timedAnswer(test.what, seconds);
        // The host's deadline is 15 s.
        EXPECT_LT(seconds, 18.0);
        EXPECT_EQ(answer.value(s("ok")), QJsonValue(false));
        EXPECT_TRUE(answer.value(s("error")).toString().startsWith(test.error));
        host.endInput();
        // A host whose bus holds it ends once it has answered.
        EXPECT_EQ(host.finish(), test.busStopped ? 1 : 0);
        EXPECT_EQ(host.errors().count(s("KLPRESULTERROR: ") + test.error), 1) << host.errors().toStdString();
        EXPECT_EQ(application.openedURIs().size(), test.opened);
    }
}

TEST_F(ExtensionHostTest, AKeptConnectionTakesItsBrowsersNameAndAnswersGrabsThroughTheExtension) {
    const QString name = s("org.kinolark.KinolarkPro.Browser.Firefox");
    // Firefox starts a host with its manifest's path and the extension's id.
    Host host({s("/usr/lib/mozilla/native-messaging-hosts/org.kinolark.kinolarkpro.json"),
               s(KINOLARK_EXTENSION_ID_FIREFOX)});
    host.send(frame(QJsonObject{{s("listen"), true}}));
    EXPECT_EQ(host.next(), QJsonObject({{s("ok"), true}}));
    ASSERT_TRUE(KLTestEnvironment::waitUntil([&] { return onTheBus(name); }));

    struct Case {
        const char *what;
        std::optional<QJsonObject> reply; // nothing: the extension does not answer
        QString error;                    // the D-Bus error expected, or empty for the page
    };
    const QJsonObject shown{{s("url"), s("http://127.0.0.1/shown.html")},
                            {s("code"), s("<p>Grüße \"x\"\n</p>")}};
    const QList<Case> cases = {
        {"the active tab's page", shown, {}},
        {"no page in the active tab", QJsonObject(), s("org.kinolark.KinolarkPro.Browser.Error.NoPage")},
        {"no answer", std::nullopt, s("org.kinolark.KinolarkPro.Browser.Error.NoAnswer")},
    };
    for (const Case &test : cases) {
        SCOPED_TRACE(test.what);
        QDBusMessage call =
            QDBusMessage::createMethodCall(name, s("/org/kinolark/KinolarkPro/Browser"),
                                           s("org.kinolark.KinolarkPro.Browser"), s("CaptureActiveTab"));
        QDBusPendingReply<QString, QString> reply = QDBusConnection::sessionBus().asyncCall(call, 20000);
        const QJsonObject request = host.next();
        EXPECT_EQ(request.value(s("request")), QJsonValue(s("capture")));
        if (test.reply) {
            QJsonObject answer = *test.reply;
            answer.insert(s("reply"), request.value(s("id")));
            host.send(frame(answer));
        }
        KLTestEnvironment::waitUntil([&] { return reply.isFinished(); }, 15s);
        ASSERT_TRUE(reply.isFinished());
        if (test.error.isEmpty()) {
            ASSERT_TRUE(reply.isValid()) << reply.error().message().toStdString();
            EXPECT_EQ(reply.argumentAt<0>(), shown.value(s("url")).toString());
            EXPECT_EQ(reply.argumentAt<1>(), shown.value(s("code")).toString());
        } else {
            EXPECT_EQ(reply.error().name(), test.error);
        }
    }
    // The host has nothing to say to a late answer, and gives the name up when the browser goes.
    host.send(
        frame(QJsonObject{{s("reply"), 1}, {s("url"), s("http://127.0.0.1/late.html")}, {s("code"), s("")}}));
    host.endInput();
    EXPECT_EQ(host.finish(), 0);
    EXPECT_TRUE(host.saidNothingMore());
    EXPECT_FALSE(onTheBus(name));
}

TEST_F(ExtensionHostTest, EachBrowserGetsANameOfItsOwnAndAStrangerNone) {
    struct Case {
        QStringList arguments;
        QString name; // empty: the host refuses to listen
    };
    const QList<Case> cases = {
        // Chrome passes the extension's origin; this test is no Chromium, so the host takes it for Chrome.
        {{s("chrome-extension://" KINOLARK_EXTENSION_ID_CHROMIUM "/")},
         s("org.kinolark.KinolarkPro.Browser.Chrome")},
        {{s("/home/u/.mozilla/native-messaging-hosts/x.json"), s(KINOLARK_EXTENSION_ID_FIREFOX)},
         s("org.kinolark.KinolarkPro.Browser.Firefox")},
        {{s("chrome-extension://aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa/")}, {}},
    };
    for (const Case &test : cases) {
        SCOPED_TRACE(test.arguments.join(s(" ")).toStdString());
        Host host(test.arguments);
        host.send(frame(QJsonObject{{s("listen"), true}}));
        const QJsonObject answer = host.next();
        EXPECT_EQ(answer.value(s("ok")), QJsonValue(!test.name.isEmpty()));
        if (!test.name.isEmpty()) {
            EXPECT_TRUE(KLTestEnvironment::waitUntil([&] { return onTheBus(test.name); }));
        }
        host.endInput();
        EXPECT_EQ(host.finish(), 0);
    }
}

TEST_F(ExtensionHostTest, ManifestsNameTheHostWhereItIsAndOnlyTheExtension) {
    const QString chromium = s("chromium");
    const QString firefox = s("firefox");
    const auto check = [&](const QString &path, const QString &family, const QString &hostPath) {
        SCOPED_TRACE(path.toStdString());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QJsonObject manifest = QJsonDocument::fromJson(file.readAll()).object();
        EXPECT_EQ(manifest.value(s("name")).toString(), s(KINOLARK_NATIVE_HOST_NAME));
        EXPECT_EQ(manifest.value(s("path")).toString(), hostPath);
        EXPECT_EQ(manifest.value(s("type")).toString(), s("stdio"));
        if (family == chromium) {
            EXPECT_EQ(manifest.value(s("allowed_origins")).toArray(),
                      QJsonArray{s("chrome-extension://" KINOLARK_EXTENSION_ID_CHROMIUM "/")});
        } else {
            EXPECT_EQ(manifest.value(s("allowed_extensions")).toArray(),
                      QJsonArray{s(KINOLARK_EXTENSION_ID_FIREFOX)});
        }
    };
    const QString file = s("/" KINOLARK_NATIVE_HOST_NAME ".json");

    // The user's own, written by the host itself, pointing at itself.
    QTemporaryDir home;
    QProcess user;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(s("HOME"), home.path());
    environment.insert(s("XDG_CONFIG_HOME"), home.path() + s("/config"));
    user.setProcessEnvironment(environment);
    user.start(KLBrowserSession::hostProgram(), {s("--user")});
    ASSERT_TRUE(user.waitForFinished(10000));
    EXPECT_EQ(user.exitCode(), 0) << user.readAllStandardError().toStdString();
    const QString host = QFileInfo(KLBrowserSession::hostProgram()).absoluteFilePath();
    check(home.path() + s("/config/chromium/NativeMessagingHosts") + file, chromium, host);
    check(home.path() + s("/config/google-chrome/NativeMessagingHosts") + file, chromium, host);
    check(home.path() + s("/.mozilla/native-messaging-hosts") + file, firefox, host);

    // The system's, written by the installation with the prefix given to it then.
    QTemporaryDir stage;
    QProcess install;
    environment.insert(s("DESTDIR"), stage.path());
    install.setProcessEnvironment(environment);
    install.start(s(KINOLARK_TEST_CMAKE_COMMAND),
                  {s("--install"), KLTestEnvironment::binaryDirectory(), s("--component"),
                   s("kinolark_extension"), s("--prefix"), s("/opt/kinolark")});
    ASSERT_TRUE(install.waitForFinished(60000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();
    const QString installed = s("/opt/kinolark/bin/kinolark-extension-host");
    EXPECT_TRUE(QFileInfo(stage.path() + installed).isExecutable());
    check(stage.path() + s("/etc/chromium/native-messaging-hosts") + file, chromium, installed);
    check(stage.path() + s("/etc/opt/chrome/native-messaging-hosts") + file, chromium, installed);
    check(stage.path() + s("/usr/lib/mozilla/native-messaging-hosts") + file, firefox, installed);
    for (const char *pack : {"kinolarkpro-chromium.zip", "kinolarkpro-firefox.xpi"}) {
        EXPECT_TRUE(
            QFileInfo::exists(stage.path() + s("/opt/kinolark/share/kinolarkpro/extension/") + s(pack)))
            << pack;
    }
}
