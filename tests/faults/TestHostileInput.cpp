// The command line given input made to hurt it: addresses and page titles that a shell would execute,
// names too long for the file system or empty, schemes other than the web's and the file system's (as
// arguments and as links on a page), the longest argument the system passes, a folder that holds a link loop,
// and a text file and a FIFO named like a video. Nothing may run, nothing may be written outside the
// destination and the scratch folders, and every name must be safe and distinct.
#include "KLKinolarkRunner.h"
#include "KLMediaFixtures.h"
#include "KLTestEnvironment.h"
#include "KLYTDLTestSite.h"
#include "Model/Preferences/KLDefaultPreferences.h"
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
        // The page's own player is a local file: the downloader refuses it, and the run fails saying why.
        {"links on a page", m_site.url(s("links.html")), 1},
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
