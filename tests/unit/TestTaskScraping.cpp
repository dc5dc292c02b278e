// The scraping tasks with stand-in scripts: how the output becomes a result, and that the input reaches the
// script as one unchanged argument.

#include "KLTestEnvironment.h"

#include "Model/KLTask/Xidel/KLConvertRTFToHTMLTask.h"
#include "Model/KLTask/Xidel/KLXidelExtractFileURLsTask.h"
#include "Model/KLTask/Xidel/KLXidelExtractIFrameSourcesTask.h"
#include "Model/KLTask/Xidel/KLXidelExtractURLsTask.h"
#include "Utils/KLResources.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class TestTaskScraping : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_resources.isValid());
        KLResources::setResourcesDirectory(m_resources.path());
        // Every stand-in prints its arguments, each closed by a NUL byte, into a file beside it, and then
        // whatever the test put into its "output" file.
        for (const QString &name :
             {QStringLiteral("xidel_urls"), QStringLiteral("xidel_file_urls"),
              QStringLiteral("xidel_extract_iframes"), QStringLiteral("convert_rtf_to_html")}) {
            KLTestEnvironment::writeScript(m_resources.path(), name + QStringLiteral(".sh"),
                                           QStringLiteral("cd \"$(dirname \"$0\")\"\n"
                                                          "printf '%s\\0' \"$@\" > arguments\n"
                                                          "cat output 2>/dev/null\n"));
        }
    }
    void TearDown() override { KLResources::setResourcesDirectory(QString()); }

    void setOutput(const QByteArray &output) {
        KLTestEnvironment::writeFile(m_resources.filePath(QStringLiteral("output")), output);
    }
    QStringList arguments() const {
        QStringList found = KLTestEnvironment::readFile(m_resources.filePath(QStringLiteral("arguments")))
                                .split(QChar(u'\0'));
        found.removeLast(); // after the last NUL
        return found;
    }
    static void runToEnd(const std::shared_ptr<KLTask> &task) {
        task->start();
        ASSERT_TRUE(
            KLTestEnvironment::waitUntil([&task] { return task->finished(); }, std::chrono::seconds(30)));
    }

    QTemporaryDir m_resources;
};

} // namespace

TEST_F(TestTaskScraping, OutputLinesBecomeValidURLsInOrder) {
    const QList<QUrl> urls = KLXidelURLListTask::urlsFromOutput(
        QStringLiteral("  http://a.example/1.mp4 \t\n\nnot a url\nhttp://a.example/1.mp4\r\n"
                       "relative/path.mp4\nhttps://b.example/x?y=1#z\nhttp://bad host/\nfile:///tmp/x.html"));
    EXPECT_EQ(urls, (QList<QUrl>{QUrl(QStringLiteral("http://a.example/1.mp4")),
                                 QUrl(QStringLiteral("http://a.example/1.mp4")),
                                 QUrl(QStringLiteral("https://b.example/x?y=1#z")),
                                 QUrl(QStringLiteral("file:///tmp/x.html"))}));
    EXPECT_TRUE(KLXidelURLListTask::urlsFromOutput(QString()).isEmpty());
    EXPECT_TRUE(KLXidelURLListTask::urlsFromOutput(QStringLiteral("\n \n")).isEmpty());
}

TEST_F(TestTaskScraping, PageTaskPassesTheURLAndListsWhatTheScriptPrints) {
    setOutput(" https://x.example/a.mp4\nnonsense\n");
    const QUrl page(QStringLiteral("https://site.example/a page?q=\"$HOME\"&b='1'"));
    const auto task = std::make_shared<KLXidelExtractURLsTask>(page);
    EXPECT_EQ(task->type(), KLTask::shortDownloadType);
    runToEnd(task);
    EXPECT_EQ(task->taskDescription(), QStringLiteral("Scrapping for Youtube links..."));
    EXPECT_EQ(arguments(), QStringList{page.toString(QUrl::FullyEncoded)});
    EXPECT_EQ(task->resultAs<QList<QUrl>>(), QList<QUrl>{QUrl(QStringLiteral("https://x.example/a.mp4"))});
    EXPECT_EQ(task->error(), nullptr);
    EXPECT_EQ(task->scriptInstance(), nullptr); // stopped and let go once read
}

TEST_F(TestTaskScraping, FileTasksPassThePathAndThePageURLOnlyWhenKnown) {
    const QString path = QStringLiteral("/tmp/it's a \"saved\" $page.html");
    const QUrl pageURL(QStringLiteral("https://site.example/dir/page.html"));
    const std::vector<std::pair<std::shared_ptr<KLXidelURLListTask>, QStringList>> cases = {
        {std::make_shared<KLXidelExtractFileURLsTask>(QUrl::fromLocalFile(path)), {path}},
        {std::make_shared<KLXidelExtractFileURLsTask>(path, pageURL), {path, pageURL.toString()}},
        {std::make_shared<KLXidelExtractIFrameSourcesTask>(QUrl::fromLocalFile(path)), {path}},
        {std::make_shared<KLXidelExtractIFrameSourcesTask>(path, pageURL), {path, pageURL.toString()}},
    };
    setOutput("");
    for (const auto &[task, expected] : cases) {
        EXPECT_EQ(task->type(), KLTask::shortProcessingType);
        runToEnd(task);
        EXPECT_EQ(arguments(), expected);
        EXPECT_EQ(task->taskDescription(), QStringLiteral("Scrapping for links..."));
        // Nothing printed is an empty list, not a missing result and not an error.
        ASSERT_TRUE(task->result().has_value());
        EXPECT_TRUE(task->resultAs<QList<QUrl>>().isEmpty());
        EXPECT_EQ(task->error(), nullptr);
    }
}

TEST_F(TestTaskScraping, RTFTextReachesTheScriptUnchangedAndTheOutputIsTheResult) {
    const QString rtf = QStringLiteral("{\\rtf1 \"quoted\" $HOME `date` 'single' \\\n line\n\t\u00e9}");
    setOutput("<html> kept \n as printed </html>\n");
    const auto task = std::make_shared<KLConvertRTFToHTMLTask>(rtf);
    EXPECT_EQ(task->type(), KLTask::shortProcessingType);
    runToEnd(task);
    EXPECT_EQ(task->taskDescription(), QStringLiteral("Scrapping for Youtube links..."));
    EXPECT_EQ(arguments(), QStringList{rtf});
    EXPECT_EQ(task->resultAs<QString>(), QStringLiteral("<html> kept \n as printed </html>\n"));
    EXPECT_EQ(task->error(), nullptr);
}

TEST_F(TestTaskScraping, MissingScriptEndsWithAnEmptyResult) {
    QFile::remove(m_resources.filePath(QStringLiteral("convert_rtf_to_html.sh")));
    const auto task = std::make_shared<KLConvertRTFToHTMLTask>(QStringLiteral("{\\rtf1 x}"));
    runToEnd(task);
    EXPECT_EQ(task->resultAs<QString>(), QString());
    EXPECT_TRUE(task->result().has_value());
    EXPECT_EQ(task->error(), nullptr);
}
