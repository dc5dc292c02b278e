// The command line given input made to hurt it: addresses and page titles that a shell would execute,
// names too long for the file system or empty, schemes other than the web's and the file system's (as
// arguments and as links on a page), the longest argument the system passes, a folder that holds a link loop,
// and a text file and a FIFO named like a video. Nothing may run, nothing may be written outside the
// destination and the scratch folders, and every name must be safe and distinct.
#include "App/KLURLSchemeDecoder.h"
#include "KLFolderWatch.h"
#include "KLKinolarkRunner.h"
#include "KLMediaFixtures.h"
#include "KLTestEnvironment.h"
#include "KLYTDLTestSite.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLAddressRules.h"
#include "Utils/KLKinolarkUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using Outcome = KLKinolarkRunner::Outcome;

QString s(const char *text) {
    return QString::fromUtf8(text);
}

class HostileInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        QFile::remove(KLDefaultPreferences::storeFilePath());
        ASSERT_TRUE(m_site.addMedia(s("clip.mp4"), KLMediaFixtures::ClipTiny));
        m_site.addPage(s("page.html"), s("Movie Night"), {s("clip.mp4")});
        ASSERT_TRUE(m_site.start());
        m_options.workingDirectory = m_workingDirectory.path();
    }

    // A command that leaves the canary behind if anything runs it.
    QString touchCanary() const { return s("touch ") + canary(); }
    QString canary() const { return m_canaryFolder.filePath(s("canary")); }
    QString output() const { return m_output.path(); }
    Outcome run(const QStringList &arguments) {
        return KLKinolarkRunner::run(arguments + QStringList{s("-o"), output()}, m_options);
    }
    // Nothing ran, and nothing landed anywhere but in the destination.
    void expectNothingRanOrStrayed(const char *name) const {
        EXPECT_FALSE(QFileInfo::exists(canary())) << name;
        EXPECT_TRUE(QDir(m_workingDirectory.path())
                        .isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
            << name;
    }

    KLYTDLTestSite m_site;
    QTemporaryDir m_output;
    QTemporaryDir m_canaryFolder;
    QTemporaryDir m_workingDirectory;
    KLKinolarkRunner::Options m_options;
};

} // namespace

TEST_F(HostileInputTest, AddressesAndTitlesAShellWouldRunBecomeDistinctSafeNames) {
    const QStringList titles = {s("$(%1) `%1` a; %1; b").arg(touchCanary()),
                                s("it's \"quoted\" & <tagged> | piped > redirected"),
                                s("%(title)s %%d $HOME ${PATH} ~"),
                                QString(150, QChar(0xfc)),   // 300 bytes in UTF-8
                                QString(120, QChar(0x65e5)), // 360 bytes in UTF-8
                                QString(),
                                s("   ")};
    QStringList arguments;
    for (qsizetype index = 0; index < titles.size(); ++index) {
        const QString name = s("t%1.html").arg(index);
        m_site.addPage(name, titles.at(index).toHtmlEscaped(), {s("clip.mp4")});
        arguments << m_site.url(name);
    }
    arguments << m_site.url(s("page.html")) + s("?q=$(%1)`%1`';%1;'\";%1;\"").arg(touchCanary());
    const Outcome outcome = run(arguments + QStringList{s("-c"), s("download-only")});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();

    // One file for every entry: no name stood for two of them, so none took another's place.
    const QStringList files = KLKinolarkRunner::filesIn(output());
    EXPECT_EQ(files.size(), arguments.size()) << files.join(s(" | ")).toStdString();
    for (const QString &file : files) {
        EXPECT_LE(file.toUtf8().size(), 255) << file.toStdString();
        EXPECT_TRUE(file.endsWith(s(".mp4"))) << file.toStdString();
        EXPECT_FALSE(file.startsWith(QLatin1Char('.')) || file.trimmed() != file) << file.toStdString();
    }
    expectNothingRanOrStrayed("shell metacharacters");
}

TEST_F(HostileInputTest, OtherSchemesAreNeverFollowedAsArgumentsOrAsLinks) {
    const QString local = KLMediaFixtures::path(KLMediaFixtures::Clip360p);
    const QString script = s("alert(document.cookie);%1").arg(touchCanary());
    m_site.server().addRoute(
        s("/links.html"),
        s("<html><head><title>Links</title></head><body>"
          "<a href=\"javascript:%1\">a</a><a href=\"data:video/mp4;base64,AAAAIGZ0eXBpc29t\">b</a>"
          "<a href=\"vbscript:%1\">c</a><a href=\"file://%2\">d</a><iframe src=\"file://%2\"></iframe>"
          "<video src=\"file://%2\"></video><a href=\"ftp://127.0.0.1/clip.mp4\">e</a></body></html>")
            .arg(script.toHtmlEscaped(), local)
            .toUtf8(),
        "text/html");
    const struct {
        const char *name;
        QString argument;
        int exitCode;
    } cases[] = {
        {"javascript", s("javascript:%1").arg(script), 3},
        {"data", s("data:video/mp4;base64,AAAAIGZ0eXBpc29t"), 3},
        {"vbscript", s("vbscript:%1").arg(script), 3},
        {"about", s("about:blank"), 3},
        {"ftp", s("ftp://127.0.0.1:%1/clip.mp4").arg(m_site.server().port()), 3},
        // The page's own player is a local file: nothing of the page is followed, and the run says why.
        {"links on a page", m_site.url(s("links.html")), 3},
    };
    for (const auto &c : cases) {
        const Outcome outcome = run({c.argument, s("-c"), s("download-only")});
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.name << ": " << outcome.err.toStdString();
        EXPECT_TRUE(KLKinolarkRunner::filesIn(output()).isEmpty()) << c.name;
        expectNothingRanOrStrayed(c.name);
    }
    EXPECT_TRUE(m_site.server().requestsFor(s("/clip.mp4")).isEmpty());
}

TEST_F(HostileInputTest, AHugeArgumentALinkLoopAndATextOrFIFONamedLikeAVideoEndCleanly) {
    // One argument can hold at most 128 KiB on Linux (MAX_ARG_STRLEN); the address must also fit, with the
    // rest of the command, into the one argument that hands a script its command.
    const QString huge = m_site.url(s("page.html")) + s("?q=") + QString(60 * 1024, QLatin1Char('a'));
    QTemporaryDir folder;
    ASSERT_TRUE(
        QFile::copy(KLMediaFixtures::path(KLMediaFixtures::ClipTiny), folder.filePath(s("clip.mp4"))));
    QDir().mkpath(folder.filePath(s("inner")));
    ASSERT_TRUE(QFile::link(folder.path(), folder.filePath(s("inner/loop"))));
    ASSERT_TRUE(QFile::link(folder.filePath(s("inner")), folder.filePath(s("inner/self"))));
    const QString text = folder.filePath(s("inner/notes.mp4"));
    ASSERT_TRUE(QFile::copy(KLMediaFixtures::path(KLMediaFixtures::TextFile), text));
    // Nobody writes to it: a probe opening it would wait for good.
    const QString fifo = folder.filePath(s("inner/stream.mp4"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    const struct {
        const char *name;
        QString argument;
        int exitCode;
        int files;
    } cases[] = {
        {"the longest argument", huge, 0, 1},
        {"a folder with link loops, a text and a FIFO named .mp4", folder.path(), 0, 1},
        {"a text named .mp4", text, 3, 0},
        {"a FIFO named .mp4", fifo, 3, 0},
    };
    for (const auto &c : cases) {
        const Outcome outcome = run({c.argument, s("-c"), s("download-only")});
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.name << ": " << outcome.err.left(2000).toStdString();
        EXPECT_EQ(KLKinolarkRunner::filesIn(output()).size(), c.files) << c.name;
        QDir(output()).removeRecursively();
        QDir().mkpath(output());
        expectNothingRanOrStrayed(c.name);
    }
}

namespace {

QString linksPage(const QStringList &addresses) {
    QString page = s("<html><head><title>Free videos</title></head><body>");
    for (const QString &address : addresses) {
        page += s("<a href=\"%1\">a video</a><video src=\"%1\"></video>").arg(address.toHtmlEscaped());
    }
    return page + s("</body></html>");
}

QString framesPage(const QStringList &addresses) {
    QString page = s("<html><body><p>Watch below</p>");
    for (const QString &address : addresses) {
        page += s("<iframe src=\"%1\"></iframe>").arg(address.toHtmlEscaped());
    }
    return page + s("</body></html>");
}

} // namespace

// Pages on a public host (videos.example, served by the test site acting as the download proxy, so that every
// request stays on 127.0.0.1) whose links, players and frames lead to local files, to this machine in every
// spelling, to the local network or to other schemes. Nothing of them is fetched or read: neither the canary
// server on 127.0.0.1 nor the proxy on behalf of another host gets a request, and the private folder is not
// opened. The same kind of link from a page on this machine is still followed.
TEST_F(HostileInputTest, AddressesFoundOnAPublicPageNeverLeadToLocalFilesOrServices) {
    KLTestWebServer canary;
    ASSERT_TRUE(canary.start());
    QTemporaryDir privateFolder;
    QDir().mkpath(privateFolder.filePath(s("deep")));
    ASSERT_TRUE(QFile::copy(KLMediaFixtures::path(KLMediaFixtures::ClipTiny),
                            privateFolder.filePath(s("deep/holiday.mp4"))));
    KLTestEnvironment::storeSettings({{s("useProxy"), s("yes")},
                                      {s("proxyProtocol"), s("HTTP")},
                                      {s("proxyHost"), s("127.0.0.1")},
                                      {s("proxyPort"), QString::number(m_site.server().port())}});
    KLTestEnvironment::removeProxyVariables(m_options.environment);
    const QString port = QString::number(canary.port());
    const QString folder = privateFolder.path();
    const struct {
        const char *name;
        QStringList addresses;
    } cases[] = {
        {"local files", {s("file://%1/?.mp4").arg(folder), s("file://%1/deep/holiday.mp4").arg(folder)}},
        {"this machine",
         {s("http://127.0.0.1:%1/a.mp4"), s("http://0x7f.1:%1/b.mp4"), s("http://2130706433:%1/c.mp4"),
          s("http://127.1:%1/d.mp4"), s("http://[::ffff:127.0.0.1]:%1/e.mp4"),
          s("http://LOCALHOST.:%1/f.mp4"), s("http://videos.example@127.0.0.1:%1/g.mp4"),
          s("http://[::1]:%1/h.mp4")}},
        {"the local network",
         {s("http://192.168.1.1/reboot?.mp4"), s("http://0xc0.0xa8.1.1/i.mp4"), s("http://10.0.0.1/j.mp4"),
          s("http://169.254.169.254/latest/?.mp4"), s("http://[fe80::1]/k.mp4"), s("http://[fd00::1]/l.mp4"),
          s("http://router/m.mp4"), s("http://nas.local./n.mp4")}},
        {"other schemes", {s("ftp://127.0.0.1:%1/o.mp4"), s("kinlkurl://127.0.0.1:%1/p.mp4")}},
    };
    const KLFolderWatch watch({folder, privateFolder.filePath(s("deep"))});
    ASSERT_TRUE(watch.isWatching());
    int number = 0;
    for (const auto &c : cases) {
        QStringList addresses;
        for (const QString &address : c.addresses) {
            addresses << (address.contains(s("%1")) ? address.arg(port) : address);
        }
        const QString page = s("/hostile/%1.html").arg(++number);
        m_site.server().addRoute(page, linksPage(addresses).toUtf8(), "text/html");
        const QString article = s("/hostile/%1-article.html").arg(number);
        m_site.server().addRoute(article, "<html><body>nothing to see</body></html>", "text/html");
        const QString handedOver = s("kinlkurl://videos.example") + article + KLURLSchemeDecoder::dataMarker +
                                   KLURLSchemeDecoder::encodePayload(framesPage(addresses));
        for (const QString &argument : QStringList{s("http://videos.example") + page, handedOver}) {
            const Outcome outcome = run({argument, s("-c"), s("download-only"), s("--verbose")});
            EXPECT_EQ(outcome.exitCode, 3) << c.name << ": " << outcome.err.left(4000).toStdString();
            EXPECT_TRUE(outcome.err.contains(s("No contents were found...")) &&
                        outcome.err.contains(KLAddressRules::refusalCause))
                << c.name << ": " << outcome.err.left(4000).toStdString();
            EXPECT_TRUE(KLKinolarkRunner::filesIn(output()).isEmpty()) << c.name;
        }
    }
    EXPECT_TRUE(canary.requests().isEmpty());
    EXPECT_FALSE(watch.touched());
    for (const KLTestWebServer::Request &request : m_site.server().requests()) {
        EXPECT_EQ(request.host, s("videos.example")) << request.path.toStdString();
    }

    // From a page on this machine, a link to this machine is the user's own business.
    m_site.server().addRoute(
        s("/local.html"),
        linksPage({m_site.url(s("clip.mp4")).replace(s("127.0.0.1"), s("localhost"))}).toUtf8(), "text/html");
    const Outcome local = run({m_site.url(s("local.html")), s("-c"), s("download-only")});
    EXPECT_EQ(local.exitCode, 0) << local.err.toStdString();
    EXPECT_EQ(KLKinolarkRunner::filesIn(output()).size(), 1);
}
