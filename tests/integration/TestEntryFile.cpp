#include "Flow/Entries/Generators/KLFileEntry.h"
#include "Flow/Entries/Generators/KLFileEntryGenerator.h"
#include "KLEntryTestHarness.h"
#include "KLGenerationRun.h"
#include "KLMediaFixtures.h"
#include "KLTestEnvironment.h"
#include "Model/KLTask/Basic/KLVideoProperties.h"
#include "Model/KLTask/KLError.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLKinolarkUtils.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray digest(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArray();
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result();
}

class FileEntryTest : public ::testing::Test {
protected:
    std::vector<std::shared_ptr<KLEntry>> generate(const QString &path) {
        KLFileEntryGenerator generator(m_harness.services());
        std::shared_ptr<KLError> error;
        const auto entries = KLGenerationRun::generate(generator, QUrl::fromLocalFile(path), &error);
        return entries.value_or(std::vector<std::shared_ptr<KLEntry>>{});
    }
    std::shared_ptr<KLEntry> prepared(const QString &path) {
        auto entries = generate(path);
        if (entries.size() != 1) {
            ADD_FAILURE() << "expected one entry for " << path.toStdString();
            return nullptr;
        }
        bool ready = false;
        entries.front()->prepareWithCompletion([&ready] { ready = true; });
        KLTestEnvironment::waitUntil([&ready] { return ready; });
        return entries.front();
    }

    KLEntryTestHarness m_harness;
};

} // namespace

TEST_F(FileEntryTest, FoldersYieldOneEntryPerMediaFileAtAnyDepth) {
    QTemporaryDir folder;
    QDir(folder.path()).mkpath(QStringLiteral("a/b/.hidden"));
    QFile::copy(KLMediaFixtures::path(KLMediaFixtures::Clip360p), folder.filePath(QStringLiteral("top.mp4")));
    QFile::copy(KLMediaFixtures::path(KLMediaFixtures::AudioMp3),
                folder.filePath(QStringLiteral("a/song.mp3")));
    QFile::copy(KLMediaFixtures::path(KLMediaFixtures::Webm),
                folder.filePath(QStringLiteral("a/b/.hidden/deep.webm")));
    QFile::copy(KLMediaFixtures::path(KLMediaFixtures::TextFile),
                folder.filePath(QStringLiteral("a/notes.txt")));
    QFile::copy(KLMediaFixtures::path(KLMediaFixtures::CorruptMedia),
                folder.filePath(QStringLiteral("a/b/bad.mp4")));
    // A link back up must not make the walk endless.
    QFile::link(folder.path(), folder.filePath(QStringLiteral("a/b/loop")));

    QStringList names;
    for (const auto &entry : generate(folder.path())) {
        names << QFileInfo(entry->originalURL().toLocalFile()).fileName();
    }
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("deep.webm"), QStringLiteral("song.mp3"),
                                  QStringLiteral("top.mp4")}));

    QTemporaryDir empty;
    std::shared_ptr<KLError> error;
    KLFileEntryGenerator generator(m_harness.services());
    const auto none = KLGenerationRun::generate(generator, QUrl::fromLocalFile(empty.path()), &error);
    ASSERT_TRUE(none.has_value());
    EXPECT_TRUE(none->empty());
    EXPECT_FALSE(KLGenerationRun::generate(
        generator, QUrl::fromLocalFile(empty.filePath(QStringLiteral("nope"))), &error));
    EXPECT_EQ(error, nullptr);
}

TEST_F(FileEntryTest, ConvertsWithTheStartUpSettingsIntoTheDownloadFolder) {
    const QString source = KLMediaFixtures::path(KLMediaFixtures::Clip720p);
    const QByteArray before = digest(source);
    auto entry = prepared(source);
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->local());
    EXPECT_EQ(entry->state(), KLEntry::readyState);
    EXPECT_FALSE(entry->representativeImage().isNull());

    ASSERT_TRUE(KLEntryTestHarness::processAndWait(entry));
    auto delegate = KLEntryRecorder::of(*entry);
    EXPECT_EQ(entry->state(), KLEntry::doneState)
        << delegate->states().join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(entry->completed());
    EXPECT_EQ(delegate->states().first(), KLEntry::waitingToConvertState);
    EXPECT_EQ(delegate->states().last(), KLEntry::doneState);
    const QString output = entry->outputFile();
    EXPECT_EQ(QFileInfo(output).path(), m_harness.outputDirectory());
    EXPECT_EQ(QFileInfo(output).completeBaseName(), entry->title());
    const QString streams = KLTestEnvironment::probeStreams(output);
    EXPECT_TRUE(streams.contains(QStringLiteral("h264,video"))) << streams.toStdString();
    EXPECT_TRUE(streams.contains(QStringLiteral("aac,audio"))) << streams.toStdString();
    EXPECT_EQ(digest(source), before); // the source is never changed
    EXPECT_TRUE(KLEntryTestHarness::temporaryFolders().isEmpty());
}

TEST_F(FileEntryTest, DownloadOnlyCopiesByteForByte) {
    m_harness.preferences()->setContainer(KLPreferences::downloadOnlyNoConversion);
    const QString source = KLMediaFixtures::path(KLMediaFixtures::Webm);
    auto entry = prepared(source);
    ASSERT_NE(entry, nullptr);
    ASSERT_TRUE(KLEntryTestHarness::processAndWait(entry));
    EXPECT_EQ(entry->state(), KLEntry::doneState);
    EXPECT_EQ(QFileInfo(entry->outputFile()).suffix(), QStringLiteral("webm"));
    EXPECT_EQ(digest(entry->outputFile()), digest(source));
    auto delegate = KLEntryRecorder::of(*entry);
    EXPECT_FALSE(delegate->states().contains(KLEntry::waitingToConvertState));
}

TEST_F(FileEntryTest, TwoRunsWithTheSameTitleNeverShareAFile) {
    m_harness.preferences()->setContainer(KLPreferences::downloadOnlyNoConversion);
    QTemporaryDir sources;
    QDir(sources.path()).mkpath(QStringLiteral("one"));
    QDir(sources.path()).mkpath(QStringLiteral("two"));
    QFile::copy(KLMediaFixtures::path(KLMediaFixtures::Clip360p),
                sources.filePath(QStringLiteral("one/T.mp4")));
    QFile::copy(KLMediaFixtures::path(KLMediaFixtures::ClipPortrait),
                sources.filePath(QStringLiteral("two/T.mp4")));
    auto first = prepared(sources.filePath(QStringLiteral("one/T.mp4")));
    auto second = prepared(sources.filePath(QStringLiteral("two/T.mp4")));
    ASSERT_TRUE(first && second);
    auto *firstDelegate = new KLEntryRecorder(first.get());
    auto *secondDelegate = new KLEntryRecorder(second.get());
    first->process();
    second->process();
    ASSERT_TRUE(KLEntryTestHarness::waitForEnd(first, *firstDelegate, 1));
    ASSERT_TRUE(KLEntryTestHarness::waitForEnd(second, *secondDelegate, 1));
    QStringList outputs{QFileInfo(first->outputFile()).fileName(),
                        QFileInfo(second->outputFile()).fileName()};
    outputs.sort();
    EXPECT_EQ(outputs, (QStringList{QStringLiteral("T 2.mp4"), QStringLiteral("T.mp4")}));
    EXPECT_NE(digest(first->outputFile()), digest(second->outputFile()));
    EXPECT_EQ(digest(first->outputFile()), digest(sources.filePath(QStringLiteral("one/T.mp4"))));
    EXPECT_EQ(QDir(m_harness.outputDirectory()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST_F(FileEntryTest, CancellingWhileConvertingStopsFFMPEGAndTheEntryCanRunAgain) {
    // A two-pass setting gives two conversion tasks; the cancel comes while the first one converts.
    auto entry = prepared(KLMediaFixtures::path(KLMediaFixtures::Source1080p));
    ASSERT_NE(entry, nullptr);
    auto *delegate = new KLEntryRecorder(entry.get());
    m_harness.preferences()->setH264Mode(KLPreferences::constantBitrateTwoPassMode);
    entry->process();
    ASSERT_TRUE(KLTestEnvironment::waitUntil(
        [&] { return entry->state().startsWith(QStringLiteral("Converting")); }));
    entry->cancel();
    ASSERT_TRUE(KLEntryTestHarness::waitForEnd(entry, *delegate, 1));
    EXPECT_EQ(entry->state(), KLEntry::cancelledState);
    ASSERT_NE(entry->error(), nullptr);
    EXPECT_EQ(entry->error()->errorType(), KLError::terminatedType);
    EXPECT_TRUE(KLTestEnvironment::waitUntil([] { return KLEntryTestHarness::noToolsRunning(); },
                                             std::chrono::seconds(5)));
    EXPECT_TRUE(KLEntryTestHarness::temporaryFolders().isEmpty());
    EXPECT_TRUE(QDir(m_harness.outputDirectory()).entryList(QDir::Files | QDir::Hidden).isEmpty());

    ASSERT_TRUE(KLEntryTestHarness::processAndWait(entry));
    EXPECT_EQ(entry->state(), KLEntry::doneState);
    EXPECT_EQ(entry->error(), nullptr);
    EXPECT_TRUE(QFileInfo::exists(entry->outputFile()));
}

TEST_F(FileEntryTest, UnknownPropertiesAreMeasuredThenTwoPassSettingsRunTwoConversionTasksWithAWaitBetween) {
    m_harness.preferences()->setH264Mode(KLPreferences::constantBitrateTwoPassMode);
    auto entry = prepared(KLMediaFixtures::path(KLMediaFixtures::Clip360p));
    ASSERT_NE(entry, nullptr);
    entry->setProperties(nullptr); // as when the metadata stage could not learn them in time
    ASSERT_TRUE(KLEntryTestHarness::processAndWait(entry));
    auto delegate = KLEntryRecorder::of(*entry);
    const QStringList states = delegate->states();
    EXPECT_EQ(entry->state(), KLEntry::doneState) << states.join(QStringLiteral(" | ")).toStdString();
    const qsizetype first = states.indexOf(QStringLiteral("Converting (pass 1)..."));
    const qsizetype second = states.indexOf(QStringLiteral("Converting (pass 2)..."));
    ASSERT_GE(first, 0) << states.join(QStringLiteral(" | ")).toStdString();
    ASSERT_GT(second, first);
    EXPECT_TRUE(states.mid(first, second - first).contains(KLEntry::waitingToConvertState));
    // The measuring task's own text names the file it reads, a path the user has no use for.
    EXPECT_EQ(states.indexOf(KLEntry::measuringState), states.indexOf(KLEntry::waitingToConvertState) + 1);
    EXPECT_FALSE(states.join(QLatin1Char('\n')).contains(QLatin1Char('/')));
}

TEST_F(FileEntryTest, AFinishedFileThatCannotBePlacedIsKeptAndTheErrorSaysWhyAndWhere) {
    QTemporaryDir folder;
    const QString aFile = folder.filePath(QStringLiteral("file"));
    KLTestEnvironment::writeFile(aFile, "x");
    const QString notPlaced = KLKinolarkUtils::pathInFolder(KLKinolarkUtils::getApplicationDataDirectory(),
                                                            QStringLiteral("Not placed"));
    const struct {
        const char *name;
        QString destination;
        QString container;
        bool kept; // a conversion is kept; the user's own file, placed as it is, stays where it was
    } cases[] = {
        // Root too cannot make a folder inside a file.
        {"converted", aFile + QStringLiteral("/sub"), QStringLiteral("mp4"), true},
        {"the user's own file", aFile, KLPreferences::downloadOnlyNoConversion, false},
    };
    for (const auto &c : cases) {
        m_harness.preferences()->setDownloadLocation(c.destination);
        m_harness.preferences()->setContainer(c.container);
        auto entry = prepared(KLMediaFixtures::path(KLMediaFixtures::Clip360p));
        ASSERT_NE(entry, nullptr);
        ASSERT_TRUE(KLEntryTestHarness::processAndWait(entry));
        EXPECT_EQ(entry->state(), KLEntry::copyFailedState) << c.name;
        ASSERT_NE(entry->error(), nullptr) << c.name;
        EXPECT_EQ(entry->error()->errorType(), KLError::downloadType) << c.name;
        EXPECT_FALSE(entry->completed()) << c.name;
        EXPECT_TRUE(KLEntryTestHarness::temporaryFolders().isEmpty()) << c.name;
        QString expected = KLEntry::copyErrorDescription + QStringLiteral(" (Not a directory");
        if (c.kept) {
            // Named as the destination would have been.
            EXPECT_EQ(entry->outputFile(), notPlaced + QStringLiteral("/%1.mp4").arg(entry->title()))
                << c.name;
            EXPECT_TRUE(QFileInfo(entry->outputFile()).size() > 0) << c.name;
            expected += QStringLiteral("; the file is kept in ") + entry->outputFile();
        } else {
            EXPECT_TRUE(entry->outputFile().isEmpty()) << c.name;
        }
        EXPECT_EQ(entry->error()->errorDescription(), expected + QLatin1Char(')')) << c.name;
    }
    EXPECT_EQ(QFileInfo(notPlaced).permissions() & 0x0077, 0) << "only the user may read what is kept";
    QDir(notPlaced).removeRecursively();
}
