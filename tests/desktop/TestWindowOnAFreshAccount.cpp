// The window as a new user meets it: a fresh account without a desktop folder, on a small screen, read the
// way a screen reader reads it (the accessibility bus). The first video goes through the save dialog into
// the videos folder, a destination that cannot be written keeps the finished file and says where, every
// address that gives nothing leaves its cause in sight, and a long queue keeps the window on the screen.
#include "KLAccessibilityTree.h"
#include "KLDesktopProgram.h"
#include "KLFileInspection.h"
#include "KLTestEnvironment.h"
#include "KLYTDLTestSite.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLQueuePersistence.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

const QString application = s("KinolarkPro");
const QString nothingFound = s("No contents were found...");

class WindowOnAFreshAccountTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_program = new KLDesktopProgram();
        s_ready = s_program->prepare({s("1280x800"), true});
    }
    static void TearDownTestSuite() { delete s_program; }

    void SetUp() override {
        ASSERT_TRUE(s_ready) << "no X server, session bus or accessibility bus for the window's program";
        ASSERT_TRUE(m_site.addMedia(s("clip.mp4"), KLMediaFixtures::Clip360p));
        m_site.addPage(s("page.html"), s("Movie Night"), {s("clip.mp4")});
        m_site.server().addRoute(s("/plain.html"), "<html><body>Nothing to watch</body></html>", "text/html");
        ASSERT_TRUE(m_site.start());
        // A fresh account: no settings, no queue, and neither a desktop nor a videos folder.
        for (const QString &gone :
             {KLDefaultPreferences::storeFilePath(),
              QDir(KLKinolarkUtils::getApplicationDataDirectory()).filePath(KLQueuePersistence::fileName),
              home(s("Desktop")), home(s("Videos"))}) {
            KLFileInspection::removeEntry(gone);
        }
    }
    void TearDown() override { s_program->quit(); }

    static QString home(const QString &name) {
        return QDir(KLTestEnvironment::homeDirectory()).filePath(name);
    }
    static QString texts() { return KLAccessibilityTree::allTexts(KLAccessibilityTree::read(application)); }
    static bool waitForText(const QString &text, std::chrono::milliseconds timeout = 120s) {
        return KLTestEnvironment::waitUntil([&text] { return texts().contains(text); }, timeout);
    }
    static void analyze(const QString &address) {
        QDBusMessage message =
            QDBusMessage::createMethodCall(s("org.kinolark.KinolarkPro"), s("/org/kinolark/KinolarkPro"),
                                           s("org.kinolark.KinolarkPro"), s("Analyze"));
        message.setArguments({address});
        const QDBusMessage reply = QDBusConnection::sessionBus().call(message);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    }
    // The lines of the status band's text that follow "No contents were found...", once it shows.
    static QString causeOfNothingFound() {
        QString cause;
        KLTestEnvironment::waitUntil(
            [&cause] {
                const QString all = texts();
                const qsizetype at = all.indexOf(nothingFound);
                cause =
                    at < 0 ? QString() : all.mid(at + nothingFound.size()).section(QLatin1Char('\n'), 0, 0);
                return !cause.trimmed().isEmpty();
            },
            60s);
        return cause;
    }

    static inline KLDesktopProgram *s_program = nullptr;
    static inline bool s_ready = false;
    KLYTDLTestSite m_site;
};

} // namespace

TEST_F(WindowOnAFreshAccountTest, TheFirstVideoGoesThroughTheSaveDialogIntoTheVideosFolder) {
    ASSERT_TRUE(s_program->start({m_site.url(s("page.html"))}));
    ASSERT_TRUE(waitForText(s("Ready to process...")));
    ASSERT_TRUE(KLAccessibilityTree::press(application, s("Start")));
    // The dialog proposes the video's name in the download folder; taking it as it is must work.
    ASSERT_TRUE(
        KLTestEnvironment::waitUntil([] { return KLAccessibilityTree::press(application, s("Save")); }, 30s));
    const QDir videos(home(s("Videos")));
    ASSERT_TRUE(
        KLTestEnvironment::waitUntil([&videos] { return !videos.entryList(QDir::Files).isEmpty(); }, 180s))
        << texts().toStdString();
    const QStringList files = videos.entryList(QDir::Files);
    EXPECT_TRUE(files.size() == 1 && files.first().startsWith(s("Movie Night")))
        << files.join(s(", ")).toStdString();
    EXPECT_FALSE(QFileInfo::exists(home(s("Desktop"))));
}

TEST_F(WindowOnAFreshAccountTest, AnUnwritableDestinationKeepsTheFinishedFileAndTheRowSaysWhere) {
    // A folder below a plain file cannot be made, whoever the user is.
    KLTestEnvironment::writeFile(home(s("plain file")), "not a folder");
    KLTestEnvironment::storeSettings({{s("automaticallyStartDownloading"), s("yes")},
                                      {s("downloadLocation"), home(s("plain file/Videos"))}});
    ASSERT_TRUE(s_program->start({m_site.url(s("page.html"))}));
    ASSERT_TRUE(waitForText(s("Could not copy file to destination..."), 180s)) << texts().toStdString();
    const QDir kept(QDir(KLKinolarkUtils::getApplicationDataDirectory()).filePath(s("Not placed")));
    const QStringList files = kept.entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    EXPECT_GT(QFileInfo(kept.filePath(files.first())).size(), 10000);
    // The row names the place and the system's reason.
    const QString shown = texts();
    EXPECT_TRUE(shown.contains(kept.filePath(files.first()))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(s("Not a directory"))) << shown.toStdString();
}

TEST_F(WindowOnAFreshAccountTest, AddressesThatGiveNothingLeaveTheirCauseInSight) {
    KLTestEnvironment::storeSettings({{s("automaticallyStartDownloading"), s("yes")}});
    ASSERT_TRUE(s_program->start());
    const struct {
        const char *page;
        const char *cause;
    } cases[] = {{"missing.html", "HTTP Error 404"}, {"plain.html", "Unsupported URL"}};
    for (const auto &item : cases) {
        analyze(m_site.url(s(item.page)));
        EXPECT_TRUE(causeOfNothingFound().contains(s(item.cause)))
            << item.page << ": " << texts().toStdString();
        // Still there when the user comes back to the window a while later.
        QThread::sleep(4);
        EXPECT_TRUE(texts().contains(s(item.cause))) << item.page;
    }
}

TEST_F(WindowOnAFreshAccountTest, TwentyFiveRowsKeepTheWindowOnTheScreenAtEveryScale) {
    QDir().mkpath(home(s("clips")));
    for (int number = 1; number <= 25; ++number) {
        ASSERT_TRUE(QFile::copy(KLMediaFixtures::path(KLMediaFixtures::Clip360p),
                                home(s("clips/clip %1.mp4").arg(number))));
    }
    KLTestEnvironment::storeSettings({{s("queueSize"), s("25")}});
    for (const char *scale : {"1", "2"}) {
        ASSERT_TRUE(s_program->start({home(s("clips"))}, 30s, {{s("QT_SCALE_FACTOR"), s(scale)}}));
        ASSERT_TRUE(
            KLTestEnvironment::waitUntil([] { return texts().count(s("Ready to process...")) >= 25; }, 120s))
            << "scale " << scale;
        const QList<KLAccessibilityTree::Node> tree = KLAccessibilityTree::read(application);
        const KLAccessibilityTree::Node *window = KLAccessibilityTree::first(tree, s("frame"));
        ASSERT_NE(window, nullptr);
        // The tree speaks in the program's own (scaled) pixels.
        const int factor = QString::fromLatin1(scale).toInt();
        EXPECT_TRUE(QRect(0, 0, 1280 / factor, 800 / factor).contains(window->extents))
            << "scale " << scale << ": " << window->extents.x() << "," << window->extents.y() << " "
            << window->extents.width() << "x" << window->extents.height();
        s_program->quit();
    }
}
