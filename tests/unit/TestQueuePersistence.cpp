// The remembered queue: what reaches queue.txt and what is read back from it, damaged files, links planted
// in its place, and a reader of the file while it changes.

#include "KLFileInspection.h"

#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLQueuePersistence.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

QUrl url(const char *text) {
    return QUrl(s(text));
}

// Lets the event loop run what this turn asked of it: a job posted now runs after every job posted before.
void endTurn() {
    bool reached = false;
    KLDispatch::async([&reached] { reached = true; });
    EXPECT_TRUE(KLDispatch::serveEventsUntil([&reached] { return reached; }, std::chrono::seconds(5)));
}

class TestQueuePersistence : public ::testing::Test {
protected:
    void SetUp() override {
        m_preferences = std::make_shared<KLDefaultPreferences>();
        m_preferences->setRememberQueue(s("all"));
        m_path = QDir(KLKinolarkUtils::getApplicationDataDirectory()).filePath(s("queue.txt"));
        KLFileInspection::removeEntry(m_path);
    }

    void TearDown() override {
        EXPECT_TRUE(KLFileInspection::temporariesBeside(m_path).isEmpty());
        KLFileInspection::removeEntry(m_path);
    }

    // The file once the changes of this turn of the event loop are written.
    QByteArray file() const {
        endTurn();
        return KLFileInspection::readBytes(m_path);
    }

    std::shared_ptr<KLDefaultPreferences> m_preferences;
    QString m_path;
};

} // namespace

TEST_F(TestQueuePersistence, RemembersEachURLOnceAndReadsTheSameListBack) {
    const QList<QUrl> urls = {url("https://www.example.com/watch?v=abc&list=x#t=10"),
                              QUrl::fromLocalFile(s("/home/user/My Videos/clip ä.mp4")),
                              url("https://bücher.example/ü?q=ä"), url("ftp://example.org/a%20b")};
    {
        KLQueuePersistence persistence(m_preferences);
        EXPECT_EQ(persistence.path(), m_path);
        for (const QUrl &item : urls) {
            persistence.addURL(item);
        }
        persistence.addURL(urls.at(0));
        // Written the other way round, yet the same URL.
        persistence.addURL(url("https://xn--bcher-kva.example/%C3%BC?q=%C3%A4"));
        persistence.addURL(QUrl()); // nothing the next launch could read back
        EXPECT_EQ(persistence.urls(), urls);
    }
    EXPECT_EQ(file(), QByteArray("https://www.example.com/watch?v=abc&list=x#t=10\n"
                                 "file:///home/user/My%20Videos/clip%20%C3%A4.mp4\n"
                                 "https://xn--bcher-kva.example/%C3%BC?q=%C3%A4\n"
                                 "ftp://example.org/a%20b\n"));
    EXPECT_EQ(KLFileInspection::permissionsOf(m_path), 0600);
    EXPECT_EQ(KLQueuePersistence(m_preferences).urls(), urls);
}

TEST_F(TestQueuePersistence, TheChangesOfOneTurnAreWrittenOnceAtItsEnd) {
    KLFileInspection::writeBytes(m_path, "https://example.com/before\n");
    KLQueuePersistence persistence(m_preferences);
    for (int index = 0; index < 100; ++index) {
        persistence.addURL(QUrl(QStringLiteral("https://example.com/%1").arg(index)));
    }
    persistence.removeURL(url("https://example.com/before"));
    EXPECT_EQ(KLFileInspection::readBytes(m_path), QByteArray("https://example.com/before\n"));
    EXPECT_EQ(file().count('\n'), 100);
    persistence.removeAll();
    persistence.save();
    EXPECT_EQ(KLFileInspection::readBytes(m_path), QByteArray()) << "save() writes at once";
}

TEST_F(TestQueuePersistence, RememberingNothingLeavesTheFileAloneWhileRemovalsStillRewriteIt) {
    m_preferences->setRememberQueue(s("none"));
    {
        KLQueuePersistence persistence(m_preferences);
        persistence.addURL(url("https://example.com/a"));
        EXPECT_TRUE(persistence.urls().isEmpty());
        EXPECT_FALSE(QFile::exists(m_path));
    }

    KLFileInspection::writeBytes(m_path, "\nhttps://example.com/kept\r\n\n");
    KLQueuePersistence persistence(m_preferences);
    persistence.addURL(url("https://example.com/b"));
    EXPECT_EQ(file(), QByteArray("\nhttps://example.com/kept\r\n\n"));
    persistence.removeURL(url("https://example.com/never-added"));
    EXPECT_EQ(file(), QByteArray("https://example.com/kept\n"));

    // Any other value than "none" remembers.
    m_preferences->setRememberQueue(s("unfinished"));
    persistence.addURL(url("https://example.com/b"));
    EXPECT_EQ(file(), QByteArray("https://example.com/kept\nhttps://example.com/b\n"));
}

TEST_F(TestQueuePersistence, SpellingsThatQtKeepsApartAreOneURLAcrossLaunches) {
    // A '#' inside the fragment is written encoded; read back, Qt finds it unequal to the raw spelling.
    const QUrl raw = url("https://example.com/#!/watch?v=1#t=5");
    const QUrl encoded = url("https://example.com/#!/watch?v=1%23t=5");
    KLFileInspection::writeBytes(m_path, "https://example.com/#!/watch?v=1#t=5\n");
    {
        KLQueuePersistence persistence(m_preferences);
        persistence.addURL(raw);
        persistence.addURL(encoded);
        EXPECT_EQ(persistence.urls().size(), 1);
    }
    KLQueuePersistence persistence(m_preferences);
    EXPECT_EQ(persistence.urls().size(), 1);
    persistence.removeURL(raw);
    EXPECT_TRUE(persistence.urls().isEmpty());
    EXPECT_EQ(file(), QByteArray()) << "a forgotten URL must not come back at the next launch";
}

TEST_F(TestQueuePersistence, LoadingSkipsBlankLinesCarriageReturnsNonURLsAndRepeats) {
    const QByteArray damaged = QByteArray("\n\nhttps://example.com/one\r\n"
                                          "not a url\n"
                                          "https://example.com/with blank\n"
                                          "/relative/path\n"
                                          "https://example.com/two\n"
                                          "https://example.com/one\n"
                                          "\r\n"
                                          "https://example.com/%zz\n"
                                          "junk") +
                               '\0' +
                               QByteArray("with\x01"
                                          "control\n"
                                          "file:///tmp/last");
    KLFileInspection::writeBytes(m_path, damaged);
    KLQueuePersistence persistence(m_preferences);
    EXPECT_EQ(persistence.urls(), QList<QUrl>({url("https://example.com/one"), url("https://example.com/two"),
                                               url("file:///tmp/last")}));
    EXPECT_EQ(file(), damaged) << "loading alone writes nothing";

    persistence.removeURL(url("https://example.com/two"));
    EXPECT_EQ(file(), QByteArray("https://example.com/one\nfile:///tmp/last\n"));
    persistence.removeAll();
    EXPECT_TRUE(persistence.urls().isEmpty());
    EXPECT_EQ(file(), QByteArray());
    EXPECT_TRUE(KLFileInspection::isRegularFile(m_path));
}

TEST_F(TestQueuePersistence, AFileThatIsNotUTF8IsDeletedAndTheNextChangeStartsAFreshOne) {
    const QList<QByteArray> damaged = {
        QByteArray("https://example.com/caf\xe9\n"),                   // Latin-1
        QByteArray("https://example.com/a\nhttps://example.com/\xc3"), // cut off in a character
        QByteArray("https://example.com/\xed\xa0\x80\n"),              // an encoded surrogate
        KLFileInspection::binaryJunk(4096, 7),
    };
    for (const QByteArray &contents : damaged) {
        KLFileInspection::writeBytes(m_path, contents);
        KLQueuePersistence persistence(m_preferences);
        EXPECT_TRUE(persistence.urls().isEmpty());
        EXPECT_FALSE(QFile::exists(m_path)) << contents.left(40).toHex().constData();
        persistence.addURL(url("https://example.com/fresh"));
        EXPECT_EQ(file(), QByteArray("https://example.com/fresh\n"));
    }
}

TEST_F(TestQueuePersistence, FiftyMegabyteFilesAreReadOrDiscardedWithoutHarm) {
    constexpr qsizetype fiftyMegabytes = 50 * 1024 * 1024;
    const auto started = std::chrono::steady_clock::now();

    KLFileInspection::writeBytes(m_path, KLFileInspection::binaryJunk(fiftyMegabytes, 11));
    EXPECT_TRUE(KLQueuePersistence(m_preferences).urls().isEmpty());
    EXPECT_FALSE(QFile::exists(m_path));

    // Valid text: mostly lines that are no URLs, one huge line, and a few URLs among them.
    QByteArray text;
    text.reserve(fiftyMegabytes + 1024);
    text += "https://example.com/first\n";
    text += QByteArray(20 * 1024 * 1024, 'x') + '\n';
    const QByteArray filler("no url here, just words\n");
    while (text.size() < fiftyMegabytes - 64) {
        text += filler;
    }
    text += "https://example.com/last\n";
    KLFileInspection::writeBytes(m_path, text);
    KLQueuePersistence persistence(m_preferences);
    EXPECT_EQ(persistence.urls(),
              QList<QUrl>({url("https://example.com/first"), url("https://example.com/last")}));
    persistence.removeURL(url("https://example.com/first"));
    EXPECT_EQ(file(), QByteArray("https://example.com/last\n"));

    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(120));
}

TEST_F(TestQueuePersistence, ALinkPlantedAtTheFileIsNeitherReadNorWrittenThrough) {
    QTemporaryDir elsewhere;
    ASSERT_TRUE(elsewhere.isValid());
    const QString target = elsewhere.filePath(s("precious"));
    const QByteArray precious("https://example.com/not-ours\n");
    KLFileInspection::writeBytes(target, precious);
    ASSERT_TRUE(QFile::link(target, m_path));

    KLQueuePersistence persistence(m_preferences);
    EXPECT_TRUE(persistence.urls().isEmpty());
    EXPECT_FALSE(KLFileInspection::isSymbolicLink(m_path)) << "the link itself is removed";
    EXPECT_EQ(KLFileInspection::readBytes(target), precious);

    // Planted while the program runs: the next change replaces the link, not its target.
    ASSERT_TRUE(QFile::link(target, m_path));
    persistence.addURL(url("https://example.com/mine"));
    endTurn();
    EXPECT_TRUE(KLFileInspection::isRegularFile(m_path));
    EXPECT_EQ(file(), QByteArray("https://example.com/mine\n"));
    EXPECT_EQ(KLFileInspection::readBytes(target), precious);
}

TEST_F(TestQueuePersistence, AFileThatCannotBeWrittenLeavesTheListInMemoryAuthoritative) {
    ASSERT_TRUE(QDir().mkpath(m_path + s("/inside")));
    KLQueuePersistence persistence(m_preferences);
    persistence.addURL(url("https://example.com/a"));
    persistence.addURL(url("https://example.com/b"));
    persistence.removeURL(url("https://example.com/a"));
    EXPECT_EQ(persistence.urls(), QList<QUrl>({url("https://example.com/b")}));
    EXPECT_TRUE(QFileInfo(m_path + s("/inside")).isDir());

    // Once the obstacle is gone the next change writes the whole list.
    KLFileInspection::removeEntry(m_path);
    persistence.addURL(url("https://example.com/c"));
    EXPECT_EQ(file(), QByteArray("https://example.com/b\nhttps://example.com/c\n"));
}

TEST_F(TestQueuePersistence, AReaderWhileItChangesNeverMeetsATornOrWidelyReadableFile) {
    constexpr int writers = 4;
    constexpr int urlsPerWriter = 40;
    const auto urlFor = [](int writer, int index) {
        return QUrl(QStringLiteral("https://example.com/%1/%2?padding=%3")
                        .arg(writer)
                        .arg(index)
                        .arg(QString(200, QLatin1Char('p'))));
    };
    KLQueuePersistence persistence(m_preferences);
    QSet<QByteArray> known;
    for (int writer = 0; writer < writers; ++writer) {
        for (int index = 0; index < urlsPerWriter; ++index) {
            known.insert(urlFor(writer, index).toEncoded());
        }
    }

    std::atomic<bool> writing{true};
    std::atomic<int> reads{0};
    std::atomic<int> faults{0};
    std::thread reader([&] {
        while (writing.load()) {
            const QByteArray contents = KLFileInspection::readBytes(m_path);
            const int permissions = KLFileInspection::permissionsOf(m_path);
            if (permissions != -1 && permissions != 0600) {
                ++faults;
            }
            if (!contents.isEmpty() && !contents.endsWith('\n')) {
                ++faults;
            }
            QSet<QByteArray> lines;
            for (const QByteArray &line : contents.split('\n')) {
                if (!line.isEmpty() && (!known.contains(line) || lines.contains(line))) {
                    ++faults;
                }
                lines.insert(line);
            }
            ++reads;
        }
    });
    for (int writer = 0; writer < writers; ++writer) {
        for (int index = 0; index < urlsPerWriter; ++index) {
            persistence.addURL(urlFor(writer, index));
            persistence.addURL(urlFor((writer + 1) % writers, index)); // one already there
            if (index % 2 == 1) {
                persistence.removeURL(urlFor(writer, index - 1));
            }
            endTurn(); // its changes are written
        }
    }
    writing = false;
    reader.join();

    EXPECT_EQ(faults.load(), 0);
    EXPECT_GT(reads.load(), 0);
    QByteArray expected;
    for (const QUrl &item : persistence.urls()) {
        expected += item.toEncoded() + '\n';
    }
    EXPECT_EQ(file(), expected);
    EXPECT_EQ(KLQueuePersistence(m_preferences).urls(), persistence.urls());
    EXPECT_EQ(KLFileInspection::permissionsOf(m_path), 0600);
}
