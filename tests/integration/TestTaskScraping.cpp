// The scraping tasks with the real scripts, curl, kinolark-links and unrtf against the test web server.

#include "KLTestEnvironment.h"
#include "KLTestWebServer.h"

#include "Model/KLTask/Xidel/KLConvertRTFToHTMLTask.h"
#include "Model/KLTask/Xidel/KLXidelExtractFileURLsTask.h"
#include "Model/KLTask/Xidel/KLXidelExtractIFrameSourcesTask.h"
#include "Model/KLTask/Xidel/KLXidelExtractURLsTask.h"
#include "Utils/KLScriptInstance.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

// Readable failure messages for lists of URLs.
void PrintTo(const QUrl &url, std::ostream *stream) {
    *stream << url.toString().toStdString();
}

namespace {

QTemporaryDir *scriptTemporaryFolder = nullptr;

class TestTaskScraping : public ::testing::Test {
protected:
    // The scripts keep their temporary files in TMPDIR; a folder of our own shows whether they clean up.
    // Set once, before any script starts, as the environment is read by every spawn.
    static void SetUpTestSuite() {
        scriptTemporaryFolder = new QTemporaryDir();
        setenv("TMPDIR", scriptTemporaryFolder->path().toUtf8().constData(), 1);
    }
    static void TearDownTestSuite() {
        unsetenv("TMPDIR");
        delete scriptTemporaryFolder;
        scriptTemporaryFolder = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(m_folder.isValid());
        ASSERT_TRUE(m_server.start());
        m_server.addRoute(QStringLiteral("/site/dir/page.html"), pageHTML(), "text/html");
        m_server.addRedirect(QStringLiteral("/go"), m_server.url(QStringLiteral("/site/dir/page.html")));
    }
    void TearDown() override {
        m_server.stop();
        const QStringList left =
            QDir(scriptTemporaryFolder->path()).entryList({QStringLiteral("kinolark-*")});
        EXPECT_TRUE(left.isEmpty()) << "left behind: " << left.join(QLatin1Char(' ')).toStdString();
    }

    QByteArray pageHTML() const {
        return "<html><head><title>Clips</title></head><body>\n"
               "<a href=\"clip.mp4\">relative</a>\n"
               "<a href=\"../other/page2.html\">up</a>\n"
               "<a href=\"//127.0.0.1:" +
               QByteArray::number(m_server.port()) +
               "/cdn/v.webm\">protocol-relative</a>\n"
               "<a href=\"/abs/a.m4a\">absolute path</a>\n"
               "<a href=\"javascript:void(0)\">script</a><a href=\"#top\">top</a>\n"
               "<video src=\"movie.mp4\"><source src=\"movie.webm\"></video>\n"
               "<iframe src=\"/embed/1\"></iframe>\n"
               "<a href=\"clip.mp4\">again</a>\n"
               "</body></html>\n";
    }
    QUrl at(const QString &path) const { return m_server.qurl(path); }

    static void runToEnd(const std::shared_ptr<KLTask> &task) {
        task->start();
        ASSERT_TRUE(
            KLTestEnvironment::waitUntil([&task] { return task->finished(); }, std::chrono::seconds(60)));
    }
    static QList<QUrl> urlsOf(const std::shared_ptr<KLTask> &task) {
        EXPECT_EQ(task->error(), nullptr);
        EXPECT_TRUE(task->result().has_value());
        return task->resultAs<QList<QUrl>>();
    }

    QTemporaryDir m_folder;
    KLTestWebServer m_server;
};

} // namespace

TEST_F(TestTaskScraping, PageLinksAreFoundAndResolvedAgainstTheRedirectedAddress) {
    const auto task = std::make_shared<KLXidelExtractURLsTask>(at(QStringLiteral("/go")));
    runToEnd(task);
    EXPECT_EQ(
        urlsOf(task),
        (QList<QUrl>{at(QStringLiteral("/site/dir/clip.mp4")), at(QStringLiteral("/site/other/page2.html")),
                     at(QStringLiteral("/cdn/v.webm")), at(QStringLiteral("/abs/a.m4a")),
                     at(QStringLiteral("/site/dir/movie.mp4")), at(QStringLiteral("/site/dir/movie.webm")),
                     at(QStringLiteral("/site/dir/clip.mp4"))}));
    // The page was fetched once, after the redirect, and nothing else was fetched.
    EXPECT_EQ(m_server.requestsFor(QStringLiteral("/site/dir/page.html")).size(), 1);
    EXPECT_EQ(m_server.requests().size(), 2);
}

TEST_F(TestTaskScraping, PageThatCannotBeFetchedGivesAnEmptyList) {
    m_server.addRoute(QStringLiteral("/broken.html"), pageHTML(), "text/html");
    m_server.answerWithStatus(QStringLiteral("/broken.html"), 500);
    m_server.addRoute(QStringLiteral("/cut.html"), pageHTML(), "text/html");
    m_server.dropAfter(QStringLiteral("/cut.html"), 100);
    KLTestWebServer stopped;
    ASSERT_TRUE(stopped.start());
    const QUrl refused = stopped.qurl(QStringLiteral("/page.html"));
    stopped.stop();

    for (const QUrl &url :
         {at(QStringLiteral("/missing.html")), at(QStringLiteral("/broken.html")),
          at(QStringLiteral("/cut.html")), refused, QUrl(QStringLiteral("file:///etc/passwd"))}) {
        const auto task = std::make_shared<KLXidelExtractURLsTask>(url);
        runToEnd(task);
        EXPECT_TRUE(urlsOf(task).isEmpty()) << url.toString().toStdString();
    }
}

TEST_F(TestTaskScraping, TerminationStopsTheFetchAtOnce) {
    m_server.addRoute(QStringLiteral("/slow.html"), pageHTML(), "text/html");
    m_server.stallAfter(QStringLiteral("/slow.html"), 50);
    const auto task = std::make_shared<KLXidelExtractURLsTask>(at(QStringLiteral("/slow.html")));
    task->start();
    ASSERT_TRUE(KLTestEnvironment::waitUntil([this] { return m_server.stalledConnections() == 1; }));
    const std::shared_ptr<KLScriptInstance> script = task->scriptInstance();
    ASSERT_NE(script, nullptr);
    const pid_t group = script->processIdentifier();

    task->terminate();
    EXPECT_TRUE(task->finished());
    ASSERT_NE(task->error(), nullptr);
    EXPECT_EQ(task->error()->errorType(), KLError::terminatedType);
    EXPECT_TRUE(
        KLTestEnvironment::waitUntil([group] { return !KLTestEnvironment::processGroupAlive(group); }));
    // The work routine ends too, without a result for the stopped page.
    EXPECT_TRUE(KLTestEnvironment::waitUntil([&task] { return task->scriptInstance() == nullptr; }));
    EXPECT_FALSE(task->result().has_value());
}

TEST_F(TestTaskScraping, SavedPagesResolveAgainstTheirBaseOrTheGivenPage) {
    const QString withBase = m_folder.filePath(QStringLiteral("it's a \"saved\" $page.html"));
    KLTestEnvironment::writeFile(withBase, "<base href=\"http://media.example/v/\"><a href=\"a.mp4\">a</a>"
                                           "<video src=\"/b.webm\"></video>");
    const auto based = std::make_shared<KLXidelExtractFileURLsTask>(QUrl::fromLocalFile(withBase));
    runToEnd(based);
    EXPECT_EQ(urlsOf(based), (QList<QUrl>{QUrl(QStringLiteral("http://media.example/v/a.mp4")),
                                          QUrl(QStringLiteral("http://media.example/b.webm"))}));

    const QString plain = m_folder.filePath(QStringLiteral("plain.html"));
    KLTestEnvironment::writeFile(plain, pageHTML());
    // Without a page address only what names its host can be used; the scheme it lacks is taken as https.
    const auto alone = std::make_shared<KLXidelExtractFileURLsTask>(plain);
    runToEnd(alone);
    QUrl secure = at(QStringLiteral("/cdn/v.webm"));
    secure.setScheme(QStringLiteral("https"));
    EXPECT_EQ(urlsOf(alone), QList<QUrl>{secure});

    const auto frames =
        std::make_shared<KLXidelExtractIFrameSourcesTask>(plain, at(QStringLiteral("/site/dir/page.html")));
    runToEnd(frames);
    EXPECT_EQ(urlsOf(frames), QList<QUrl>{at(QStringLiteral("/embed/1"))});

    const auto missing =
        std::make_shared<KLXidelExtractIFrameSourcesTask>(m_folder.filePath(QStringLiteral("missing.html")));
    runToEnd(missing);
    EXPECT_TRUE(urlsOf(missing).isEmpty());
}

TEST_F(TestTaskScraping, EmbeddedPlayersOfAPageSourceAreFound) {
    const QString source = m_folder.filePath(QStringLiteral("source.html"));
    KLTestEnvironment::writeFile(
        source, "<html><body><p>Watch:<iframe width=560 src=\"//player.example.com/embed/xyz?autoplay=1\">"
                "</iframe><iframe src=\"about:blank\"></iframe>"
                "<iframe src=\"" +
                    m_server.url(QStringLiteral("/embed/2")).toUtf8() + "\"></iframe>");
    const auto task = std::make_shared<KLXidelExtractIFrameSourcesTask>(QUrl::fromLocalFile(source));
    runToEnd(task);
    EXPECT_EQ(urlsOf(task),
              (QList<QUrl>{QUrl(QStringLiteral("https://player.example.com/embed/xyz?autoplay=1")),
                           at(QStringLiteral("/embed/2"))}));
}

TEST_F(TestTaskScraping, RTFLinksSurviveTheConversionAndAreFound) {
    // A link as a Cocoa text view writes it and one as word processors write it, around text that the
    // shell must leave alone.
    const QString clip = m_server.url(QStringLiteral("/clips/one.mp4"));
    const QString rtf = QStringLiteral("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl\\f0\\fswiss Helvetica;}\n"
                                       "\\f0 Costs $5 or \"$HOME\" `true`; see "
                                       "{\\field{\\*\\fldinst{HYPERLINK \"%1\"}}{\\fldrslt the clip}}\\\n"
                                       "and {\\field{\\*\\fldinst {\\rtlch\\fcs1 \\af0 HYPERLINK "
                                       "\"https://video.example/watch?v=1&t=2\" }}"
                                       "{\\fldrslt {\\ul the other}}}.}")
                            .arg(clip);
    const auto convert = std::make_shared<KLConvertRTFToHTMLTask>(rtf);
    runToEnd(convert);
    EXPECT_EQ(convert->error(), nullptr);
    const QString html = convert->resultAs<QString>();
    EXPECT_TRUE(html.contains(QStringLiteral("Costs $5 or &quot;$HOME&quot; `true`"))) << html.toStdString();

    const QString file = m_folder.filePath(QStringLiteral("pasted.html"));
    KLTestEnvironment::writeFile(file, html.toUtf8());
    const auto scrape = std::make_shared<KLXidelExtractFileURLsTask>(file);
    runToEnd(scrape);
    EXPECT_EQ(urlsOf(scrape),
              (QList<QUrl>{QUrl(clip), QUrl(QStringLiteral("https://video.example/watch?v=1&t=2"))}));
}

TEST_F(TestTaskScraping, TextThatIsNoRTFGivesNoError) {
    for (const QString &input : {QString(), QStringLiteral("just some text, no RTF at all")}) {
        const auto task = std::make_shared<KLConvertRTFToHTMLTask>(input);
        runToEnd(task);
        EXPECT_EQ(task->error(), nullptr);
        EXPECT_TRUE(task->result().has_value());
    }
}
