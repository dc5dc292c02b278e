#include "KLEntryTestHarness.h"
#include "KLTestEnvironment.h"
#include "Model/KLEntry/KLEntry.h"
#include "Model/KLEntry/KLEntryDestinationChooser.h"
#include "Model/KLTask/Basic/KLVideoProperties.h"
#include "Model/KLTask/KLError.h"
#include "Model/Preferences/KLDefaultPreferences.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "Utils/KLServices.h"

#include <gtest/gtest.h>

namespace {

// An entry whose own stage places a small file it writes itself.
class WritingEntry final : public KLEntry {
public:
    using KLEntry::KLEntry;
    QString destinationSeen;

protected:
    void doProcessing() override {
        destinationSeen = runPreferences()->downloadLocation();
        const QString item = QDir(createRunFolder()).filePath(QStringLiteral("download"));
        KLTestEnvironment::writeFile(item, "fresh");
        finishByPlacing(item);
    }
};

class ScriptedChooser final : public KLEntryDestinationChooser {
public:
    std::optional<QString> answer;
    void chooseDestinationForEntry(const std::shared_ptr<KLEntry> &, const std::shared_ptr<KLPreferences> &,
                                   const QString &, const QString &, Answer reply) override {
        reply(answer);
    }
};

} // namespace

TEST(Entry, TitlesAreMadeFitForFileNames) {
    KLEntry entry;
    entry.setTitle(QStringLiteral("My.Video/Part 1"));
    EXPECT_EQ(entry.title(), QStringLiteral("MyVideo:Part 1"));
    entry.setTitle(QStringLiteral("a/b.c"));
    EXPECT_EQ(entry.title(), QStringLiteral("a:bc"));
    for (const char *empty : {"...", ".", "", " . "}) {
        entry.setTitle(QString::fromLatin1(empty));
        EXPECT_EQ(entry.title(), KLEntry::unknownTitle) << empty;
    }
}

TEST(Entry, ResetStateTellsTheDelegateThreeTimes) {
    auto entry = std::make_shared<KLEntry>();
    auto *delegate = new KLEntryRecorder(entry.get());
    entry->resetState();
    EXPECT_EQ(delegate->events(), (QStringList{QStringLiteral("progress 0"), QStringLiteral("error nil"),
                                               QStringLiteral("completed")}));
}

TEST(Entry, DownloadOnlyWithoutAKnownContainerFallsBackToMp4) {
    KLEntryTestHarness harness;
    harness.preferences()->setContainer(KLPreferences::downloadOnlyNoConversion);
    auto entry = std::make_shared<WritingEntry>(harness.services());
    entry->setTitle(QStringLiteral("clip"));
    entry->setProperties(std::make_shared<KLVideoProperties>());
    ASSERT_TRUE(KLEntryTestHarness::processAndWait(entry, std::chrono::seconds(10)));
    EXPECT_EQ(entry->destinationSeen, QDir(harness.outputDirectory()).filePath(QStringLiteral("clip.mp4")));
    EXPECT_EQ(entry->properties()->container(), QStringLiteral("mp4"));
    EXPECT_EQ(entry->state(), KLEntry::doneState);
    EXPECT_TRUE(KLEntryTestHarness::temporaryFolders().isEmpty());
}

TEST(Entry, AutomaticRunsNeverReplaceAndChosenPathsDo) {
    KLEntryTestHarness harness;
    harness.preferences()->setContainer(QStringLiteral("mp4"));
    const QString existing = QDir(harness.outputDirectory()).filePath(QStringLiteral("clip.mp4"));
    KLTestEnvironment::writeFile(existing, "old");

    // Conversion is not what this is about: the entry places what it wrote as if converted.
    harness.preferences()->setContainer(KLPreferences::downloadOnlyNoConversion);
    auto automatic = std::make_shared<WritingEntry>(harness.services());
    automatic->setTitle(QStringLiteral("clip"));
    auto properties = std::make_shared<KLVideoProperties>();
    properties->setContainer(QStringLiteral("mp4"));
    automatic->setProperties(properties);
    ASSERT_TRUE(KLEntryTestHarness::processAndWait(automatic, std::chrono::seconds(10)));
    EXPECT_EQ(QFileInfo(automatic->outputFile()).fileName(), QStringLiteral("clip 2.mp4"));
    EXPECT_EQ(KLTestEnvironment::readFile(existing), QStringLiteral("old"));

    auto chooser = std::make_shared<ScriptedChooser>();
    harness.services()->destinationChooser = chooser;
    harness.preferences()->setAutomaticallyStartDownloading(false);
    chooser->answer = QDir(harness.outputDirectory()).filePath(QStringLiteral("clip"));
    auto chosen = std::make_shared<WritingEntry>(harness.services());
    chosen->setTitle(QStringLiteral("other"));
    chosen->setProperties(properties);
    ASSERT_TRUE(KLEntryTestHarness::processAndWait(chosen, std::chrono::seconds(10)));
    EXPECT_EQ(chosen->outputFile(), existing);
    EXPECT_EQ(KLTestEnvironment::readFile(existing), QStringLiteral("fresh"));
}

TEST(Entry, ADismissedQuestionLeavesTheEntryAsItWas) {
    KLEntryTestHarness harness;
    harness.preferences()->setAutomaticallyStartDownloading(false);
    auto chooser = std::make_shared<ScriptedChooser>();
    harness.services()->destinationChooser = chooser;
    auto entry = std::make_shared<WritingEntry>(harness.services());
    entry->setState(KLEntry::readyState);
    ASSERT_TRUE(KLEntryTestHarness::processAndWait(entry, std::chrono::seconds(10)));
    EXPECT_EQ(entry->state(), KLEntry::readyState);
    EXPECT_EQ(entry->error(), nullptr);
    EXPECT_FALSE(entry->processing());
    EXPECT_TRUE(entry->destinationSeen.isEmpty());
}

TEST(Entry, OverlongTitlesStillGiveAValidFileName) {
    KLEntryTestHarness harness;
    harness.preferences()->setContainer(KLPreferences::downloadOnlyNoConversion);
    auto entry = std::make_shared<WritingEntry>(harness.services());
    entry->setTitle(QString(300, QChar(0x00E9))); // 600 bytes in UTF-8
    entry->setProperties(std::make_shared<KLVideoProperties>());
    ASSERT_TRUE(KLEntryTestHarness::processAndWait(entry, std::chrono::seconds(10)));
    EXPECT_EQ(entry->state(), KLEntry::doneState);
    EXPECT_LE(QFileInfo(entry->outputFile()).fileName().toUtf8().size(), 255);
}
