// What a program killed in the middle of a busy queue leaves (the remembered pages, and per video a partial
// download, a whole one that was being converted, or the record of a placed file) brought back by the next
// start: each row comes back in the state its video was left in, as a screen reader hears it, and the
// start after that, with downloads that start by themselves, fetches only what is missing.
#include "KLAccessibilityTree.h"
#include "KLDesktopProgram.h"
#include "KLTestEnvironment.h"
#include "KLYTDLTestSite.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Model/Preferences/KLPreferences.h"
#include "Utils/KLKeptDownloads.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLQueuePersistence.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

// What a kill leaves of a video: nothing (it waited, or failed before anything came), part of it (paused,
// or half downloaded), all of it (it was being converted), or the record of its placed file (done, but
// killed before the queue forgot its page). Each comes back in the state beside it.
struct Left {
    QByteArray kept;   // of the video's bytes: "", "part", "whole" or "placed"
    const char *state; // the row's state after the start, downloads not starting by themselves
};
const Left leftStates[] = {
    {"", "Ready to process"}, {"part", "Paused"}, {"whole", "Paused"}, {"placed", "Done"}};

class RestoredQueue : public ::testing::Test {
protected:
    static constexpr int videos = 20;

    void SetUp() override {
        ASSERT_TRUE(m_program.prepare({s("1280x1024"), true}));
        for (int index = 0; index < videos; ++index) {
            ASSERT_TRUE(m_site.addMedia(name(index) + s(".mp4"), KLMediaFixtures::ClipTiny));
            m_site.addPage(name(index) + s(".html"), s("Clip ") + name(index), {name(index) + s(".mp4")});
        }
        ASSERT_TRUE(m_site.start());
        QFile::remove(KLDefaultPreferences::storeFilePath());
        KLKeptDownloads().clear();
        KLTestEnvironment::storeSettings({{s("automaticallyStartDownloading"), s("no")},
                                          {s("rememberQueue"), s("unfinished")},
                                          {s("queueSize"), s("25")},
                                          {s("container"), KLPreferences::downloadOnlyNoConversion},
                                          {s("downloadLocation"), m_output.path()}});
    }
    void TearDown() override {
        m_program.quit();
        KLKeptDownloads().clear();
    }

    static QString name(int index) { return s("v%1").arg(index + 1, 2, 10, QLatin1Char('0')); }
    static QString title(int index) {
        return s("Clip %1 (1)").arg(name(index));
    } // as the downloader names it
    static const Left &left(int index) { return leftStates[index % std::size(leftStates)]; }
    QUrl page(int index) const { return QUrl(m_site.url(name(index) + s(".html"))); }
    QByteArray clip(int index) const { return m_site.contentsOf(name(index) + s(".mp4")); }
    QString placedFile(int index) const { return QDir(m_output.path()).filePath(title(index) + s(".mp4")); }

    // Writes what the killed program left of the video: its page in the queue and whatever it kept.
    void leave(int index, KLKeptDownloads &kept, QByteArray &queue) {
        const QByteArray whole = clip(index);
        const QByteArray &what = left(index).kept;
        if (what == "part" || what == "whole") {
            const QDir folder(kept.hold(page(index), m_output.path(),
                                        what == "part" ? KLKeptDownloads::downloadingStage
                                                       : KLKeptDownloads::downloadedStage));
            if (what == "part") {
                KLTestEnvironment::writeFile(folder.filePath(s("download.part")),
                                             whole.left(whole.size() / 2));
            } else {
                KLTestEnvironment::writeFile(folder.filePath(s("download")), whole);
                KLTestEnvironment::writeFile(folder.filePath(s("download.info.json")),
                                             "{\"title\": \"" + title(index).toUtf8() + "\"}");
            }
        } else if (what == "placed") {
            KLTestEnvironment::writeFile(placedFile(index), whole);
            kept.hold(page(index), placedFile(index), KLKeptDownloads::placedStage);
        }
        queue += page(index).toEncoded() + '\n';
    }

    KLDesktopProgram m_program;
    KLYTDLTestSite m_site;
    QTemporaryDir m_output;
};

// The rows as a screen reader reads them, one per line: "Clip v02 (1), Paused".
QString rowsRead() {
    QString rows;
    for (const KLAccessibilityTree::Node &node : KLAccessibilityTree::read(s("KinolarkPro"))) {
        rows += node.name.startsWith(s("Clip v")) ? node.name + QLatin1Char('\n') : QString();
    }
    return rows;
}

} // namespace

TEST_F(RestoredQueue, TwentyVideosLeftInMixedStatesByAKillComeBackAsTheyWereAndFetchOnlyWhatIsMissing) {
    KLKeptDownloads kept;
    QByteArray queue;
    QList<qint64> keptSizes;
    for (int index = 0; index < videos; ++index) {
        leave(index, kept, queue);
        keptSizes << kept.keptBytes(page(index));
    }
    KLTestEnvironment::writeFile(
        QDir(KLKinolarkUtils::getApplicationDataDirectory()).filePath(KLQueuePersistence::fileName), queue);

    ASSERT_TRUE(m_program.start());
    QString rows;
    ASSERT_TRUE(KLTestEnvironment::waitUntil(
        [&rows] { return (rows = rowsRead()).count(QLatin1Char('\n')) == videos; }, 180s))
        << rows.toStdString() << m_program.whereItStands().toStdString();
    for (int index = 0; index < videos; ++index) {
        EXPECT_TRUE(rows.contains(title(index) + s(", ") + s(left(index).state))) << rows.toStdString();
    }

    // Started again with downloads that start by themselves: everything finishes, and nothing done before
    // is done again.
    m_program.quit();
    KLTestEnvironment::storeSettings({{s("automaticallyStartDownloading"), s("yes")}});
    m_site.server().clearRequests();
    ASSERT_TRUE(m_program.start());
    ASSERT_TRUE(KLTestEnvironment::waitUntil(
        [this] { return QDir(m_output.path()).entryList(QDir::Files).size() >= videos; }, 240s))
        << m_program.whereItStands().toStdString();
    KLTestEnvironment::waitUntil([] { return false; }, 2s); // time to place one more, were it to
    EXPECT_EQ(QDir(m_output.path()).entryList(QDir::Files).size(), videos) << "nothing placed twice";
    for (int index = 0; index < videos; ++index) {
        SCOPED_TRACE(name(index).toStdString());
        QFile placed(placedFile(index));
        ASSERT_TRUE(placed.open(QIODevice::ReadOnly));
        EXPECT_TRUE(placed.readAll() == clip(index));
        const QString media = s("/") + name(index) + s(".mp4");
        if (left(index).kept == "whole" || left(index).kept == "placed") {
            EXPECT_TRUE(m_site.server().requestsFor(media).isEmpty()) << "the whole video was here";
        } else if (left(index).kept == "part") {
            const QByteArray resumed = "bytes=" + QByteArray::number(keptSizes.at(index)) + "-";
            EXPECT_EQ(m_site.server().rangesFor(media).count(resumed), 1);
        }
    }
}
