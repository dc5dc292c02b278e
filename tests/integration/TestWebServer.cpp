// The test web server against the real curl and yt-dlp: what the other integration tests rely on.

#include "KLTestEnvironment.h"
#include "KLTestWebServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// QProcess forks while the server's threads run, which the thread sanitizer refuses by default; the child
// does nothing but exec the tool, so that is safe here.
extern "C" const char *__tsan_default_options() {
    return "die_after_fork=0";
}

namespace {

struct ToolRun {
    int exitCode = -1;
    QByteArray output;
    QByteArray errors;
};

ToolRun runTool(const QString &program, const QStringList &arguments, int timeoutMilliseconds = 60000) {
    QProcess process;
    process.start(program, arguments);
    ToolRun run;
    if (!process.waitForFinished(timeoutMilliseconds)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.output = process.readAllStandardOutput();
    run.errors = process.readAllStandardError();
    return run;
}

ToolRun curl(const QStringList &arguments) {
    return runTool(QStringLiteral("curl"), QStringList{QStringLiteral("-sS")} + arguments);
}

QByteArray randomBytes(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(42);
    for (char &byte : bytes) {
        byte = static_cast<char>(generator.bounded(256));
    }
    return bytes;
}

class TestWebServer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        m_file = randomBytes(300 * 1024);
        KLTestEnvironment::writeFile(m_root.filePath(QStringLiteral("clip.mp4")), m_file);
        QDir(m_root.path()).mkpath(QStringLiteral("media"));
        KLTestEnvironment::writeFile(m_root.filePath(QStringLiteral("media/index.html")), "<p>index</p>");
        m_server = std::make_unique<KLTestWebServer>(m_root.path());
        ASSERT_TRUE(m_server->start());
    }

    QString url(const QString &path) const { return m_server->url(path); }

    QTemporaryDir m_root;
    QByteArray m_file;
    std::unique_ptr<KLTestWebServer> m_server;
};

} // namespace

TEST_F(TestWebServer, ServesRoutesFilesAndTheirTypes) {
    EXPECT_EQ(url(QStringLiteral("a")), QStringLiteral("http://127.0.0.1:%1/a").arg(m_server->port()));
    m_server->addRoute(QStringLiteral("/page.html"), "<html><body>hello</body></html>", "text/html");

    const ToolRun page =
        curl({QStringLiteral("-A"), QStringLiteral("kinolark-agent"), url(QStringLiteral("page.html"))});
    EXPECT_EQ(page.exitCode, 0) << page.errors.constData();
    EXPECT_EQ(page.output, "<html><body>hello</body></html>");

    const ToolRun file = curl({QStringLiteral("-w"), QStringLiteral("\n%{content_type} %{http_code}"),
                               url(QStringLiteral("clip.mp4"))});
    EXPECT_EQ(file.exitCode, 0);
    EXPECT_EQ(file.output, m_file + "\nvideo/mp4 200");

    const ToolRun index = curl({url(QStringLiteral("media/"))});
    EXPECT_EQ(index.output, "<p>index</p>");

    const ToolRun missing = curl({QStringLiteral("-w"), QStringLiteral("%{http_code}"), QStringLiteral("-o"),
                                  QStringLiteral("/dev/null"), url(QStringLiteral("nothing.mp4"))});
    EXPECT_EQ(missing.output, "404");
    // A path that climbs out of the document root must not reach the file beside it.
    KLTestEnvironment::writeFile(m_root.filePath(QStringLiteral("../kinolark-outside.txt")), "secret");
    const ToolRun climbing = curl(
        {QStringLiteral("--path-as-is"), QStringLiteral("-w"), QStringLiteral("%{http_code}"),
         QStringLiteral("-o"), QStringLiteral("/dev/null"), url(QStringLiteral("/../kinolark-outside.txt"))});
    QFile::remove(m_root.filePath(QStringLiteral("../kinolark-outside.txt")));
    EXPECT_EQ(climbing.output, "404");

    const QList<KLTestWebServer::Request> log = m_server->requestsFor(QStringLiteral("page.html"));
    ASSERT_EQ(log.size(), 1);
    EXPECT_EQ(log.first().method, "GET");
    EXPECT_EQ(log.first().userAgent, "kinolark-agent");
    EXPECT_TRUE(log.first().range.isEmpty());
    EXPECT_EQ(KLTestWebServer::contentTypeForPath(QStringLiteral("x/a.MPD")), "application/dash+xml");
    EXPECT_EQ(KLTestWebServer::contentTypeForPath(QStringLiteral("a.m4a")), "audio/mp4");
}

TEST_F(TestWebServer, AnswersHeadAndRanges) {
    const ToolRun head = curl({QStringLiteral("-I"), url(QStringLiteral("clip.mp4"))});
    EXPECT_EQ(head.exitCode, 0);
    EXPECT_TRUE(head.output.contains("Content-Length: 307200\r\n")) << head.output.constData();
    EXPECT_TRUE(head.output.contains("Accept-Ranges: bytes\r\n"));

    const auto ranged = [this](const QString &range) {
        return curl({QStringLiteral("-r"), range, QStringLiteral("-D"), QStringLiteral("/dev/stderr"),
                     url(QStringLiteral("clip.mp4"))});
    };
    const ToolRun middle = ranged(QStringLiteral("1000-1999"));
    EXPECT_EQ(middle.output, m_file.mid(1000, 1000));
    EXPECT_TRUE(middle.errors.contains("HTTP/1.1 206 Partial Content"));
    EXPECT_TRUE(middle.errors.contains("Content-Range: bytes 1000-1999/307200"));

    EXPECT_EQ(ranged(QStringLiteral("-5")).output, m_file.right(5));
    EXPECT_EQ(ranged(QStringLiteral("307000-")).output, m_file.mid(307000));
    // An end beyond the body is cut to the body.
    EXPECT_EQ(ranged(QStringLiteral("307100-999999")).output, m_file.mid(307100));

    const ToolRun beyond = ranged(QStringLiteral("400000-"));
    EXPECT_TRUE(beyond.errors.contains("416 Range Not Satisfiable"));
    EXPECT_TRUE(beyond.errors.contains("Content-Range: bytes */307200"));
    EXPECT_TRUE(beyond.output.isEmpty());

    ASSERT_FALSE(m_server->requestsFor(QStringLiteral("clip.mp4")).isEmpty());
    EXPECT_EQ(m_server->requestsFor(QStringLiteral("clip.mp4")).last().range, "bytes=400000-");
}

TEST_F(TestWebServer, KeepsConnectionsAliveAndFollowsRedirects) {
    m_server->addRoute(QStringLiteral("one"), "1", "text/plain");
    m_server->addRoute(QStringLiteral("two"), "2", "text/plain");
    const ToolRun both = curl({QStringLiteral("-v"), url(QStringLiteral("one")), url(QStringLiteral("two"))});
    EXPECT_EQ(both.output, "12");
    EXPECT_TRUE(both.errors.contains("Re-using existing connection")) << both.errors.constData();

    m_server->addRedirect(QStringLiteral("moved"), url(QStringLiteral("two")));
    EXPECT_EQ(curl({QStringLiteral("-L"), url(QStringLiteral("moved"))}).output, "2");

    m_server->addRoute(QStringLiteral("echo"), [](const KLTestWebServer::Request &request) {
        KLTestWebServer::Response response;
        response.status = 201;
        response.contentType = "text/plain";
        response.body = request.query;
        return response;
    });
    const ToolRun echoed =
        curl({QStringLiteral("-w"), QStringLiteral(" %{http_code}"), url(QStringLiteral("echo?a=1&b"))});
    EXPECT_EQ(echoed.output, "a=1&b 201");
}

TEST_F(TestWebServer, MisbehavesOnRequest) {
    m_server->answerWithStatus(QStringLiteral("clip.mp4"), 500);
    const ToolRun failing = curl({QStringLiteral("-f"), url(QStringLiteral("clip.mp4"))});
    EXPECT_EQ(failing.exitCode, 22);
    m_server->clearBehaviour(QStringLiteral("clip.mp4"));

    m_server->dropAfter(QStringLiteral("clip.mp4"), 10000);
    const ToolRun dropped = curl({url(QStringLiteral("clip.mp4"))});
    EXPECT_EQ(dropped.exitCode, 18) << dropped.errors.constData(); // partial file
    EXPECT_EQ(dropped.output, m_file.left(10000));
    m_server->clearBehaviour(QStringLiteral("clip.mp4"));

    m_server->addRoute(QStringLiteral("slow"), QByteArray(30000, 'x'), "text/plain");
    m_server->throttle(QStringLiteral("slow"), 20000);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(curl({url(QStringLiteral("slow"))}).output.size(), 30000);
    EXPECT_GE(timer.elapsed(), 1300);

    // A client with its own rate limit reads in small bites; the answer must still arrive whole.
    const ToolRun limited =
        curl({QStringLiteral("--limit-rate"), QStringLiteral("100k"), url(QStringLiteral("clip.mp4"))});
    EXPECT_EQ(limited.exitCode, 0);
    EXPECT_EQ(limited.output, m_file);
}

TEST_F(TestWebServer, StallsUntilReleased) {
    m_server->stallAfter(QStringLiteral("clip.mp4"), 5000);
    const QString output = m_root.filePath(QStringLiteral("stalled.out"));
    QProcess client;
    client.start(QStringLiteral("curl"),
                 {QStringLiteral("-sS"), QStringLiteral("-o"), output, url(QStringLiteral("clip.mp4"))});
    ASSERT_TRUE(KLTestEnvironment::waitUntil([this] { return m_server->stalledConnections() == 1; }));
    QThread::msleep(300);
    EXPECT_EQ(client.state(), QProcess::Running);
    m_server->releaseStalls();
    ASSERT_TRUE(client.waitForFinished(30000));
    EXPECT_EQ(client.exitCode(), 0);
    EXPECT_EQ(m_server->stalledConnections(), 0);
    QFile file(output);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), m_file);
}

TEST_F(TestWebServer, StopCutsStalledAndIdleConnectionsAtOnce) {
    m_server->stallAfter(QStringLiteral("clip.mp4"), 1000);
    QProcess client;
    client.start(QStringLiteral("curl"), {QStringLiteral("-sS"), QStringLiteral("-o"),
                                          QStringLiteral("/dev/null"), url(QStringLiteral("clip.mp4"))});
    ASSERT_TRUE(KLTestEnvironment::waitUntil([this] { return m_server->stalledConnections() == 1; }));

    // An idle connection that never sends a request.
    const int idle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(m_server->port());
    ASSERT_EQ(::connect(idle, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ASSERT_TRUE(KLTestEnvironment::waitUntil([this] { return m_server->openConnections() == 2; }));

    QElapsedTimer timer;
    timer.start();
    m_server->stop();
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_FALSE(m_server->isRunning());
    EXPECT_EQ(m_server->openConnections(), 0);
    char byte = 0;
    EXPECT_EQ(::recv(idle, &byte, 1, 0), 0); // the server's side is gone
    ::close(idle);
    ASSERT_TRUE(client.waitForFinished(10000));
    EXPECT_NE(client.exitCode(), 0);

    // The same object serves again after a restart.
    ASSERT_TRUE(m_server->start());
    m_server->clearBehaviour(QStringLiteral("clip.mp4"));
    EXPECT_EQ(curl({url(QStringLiteral("clip.mp4"))}).output, m_file);
}

TEST_F(TestWebServer, YtDlpDownloadsADirectLink) {
    const QString output = m_root.filePath(QStringLiteral("downloaded.mp4"));
    const ToolRun run =
        runTool(QStringLiteral("yt-dlp"), {QStringLiteral("--ignore-config"), QStringLiteral("--no-progress"),
                                           QStringLiteral("-o"), output, url(QStringLiteral("clip.mp4"))});
    EXPECT_EQ(run.exitCode, 0) << run.errors.constData();
    QFile file(output);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), m_file);
    ASSERT_FALSE(m_server->requestsFor(QStringLiteral("clip.mp4")).isEmpty());
    EXPECT_FALSE(m_server->requestsFor(QStringLiteral("clip.mp4")).first().userAgent.isEmpty());
}
