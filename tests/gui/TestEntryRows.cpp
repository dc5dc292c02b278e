// The rows of the queue: what each state of an entry shows, which entries automatic removal takes away, the
// dots of a running state, what a row shows of a failure and of a title too long for it, and the lines of an
// entry's information, what it kept included.
#include "App/KLEntryRow.h"
#include "App/KLEntryTableController.h"
#include "Model/KLEntry/KLEntry.h"
#include "Model/KLEntry/KLEntryDestinationChooser.h"
#include "Model/KLTask/Basic/KLVideoProperties.h"
#include "Model/KLTask/KLError.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLKeptDownloads.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLServices.h"
#include "Views/Other/KLHoverButton.h"
#include "Views/Other/KLProgressIndicator.h"
#include "Views/Popovers/KLInformationEntryViewController.h"
#include "Views/Popovers/KLInformationPopoverController.h"
#include "Views/Popovers/KLPopover.h"
#include "Views/Table/KLEntryViewController.h"
#include "Views/Table/KLTitleTextField.h"

#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Line = KLInformationPopoverController::Line;

QString s(const char *text) {
    return QString::fromUtf8(text);
}

std::shared_ptr<KLEntry> entryInState(const char *state, const QString &output = QString(),
                                      const std::shared_ptr<const KLServices> &services = nullptr) {
    auto entry = std::make_shared<KLEntry>(services);
    entry->setTitle(s("Holiday"));
    entry->setOriginalURL(QUrl(s("https://videos.example/watch/1")));
    const QString which = s(state);
    if (which == s("failed")) {
        entry->setError(KLError::create(KLError::downloadType, s("Download failed")));
        entry->setOutputFile(output);
    } else if (which == s("done")) {
        entry->setCompleted(true);
        entry->setOutputFile(s("/tmp/Holiday.mov"));
    } else if (which == s("running")) {
        entry->setProcessing(true);
        entry->setState(s("Downloading..."));
        entry->setCompletionFactor(0.4);
        entry->setEta(s("00:12"));
    }
    return entry;
}

} // namespace

TEST(EntryRows, EachStateOfTheEntryDecidesTheRowsButtons) {
    // A failed run that kept its file where it could be found shows it; one whose file is gone does not.
    QTemporaryDir folder;
    const QString kept = folder.filePath(s("Holiday.mp4"));
    ASSERT_TRUE(QFile(kept).open(QIODevice::WriteOnly));
    struct Case {
        const char *state;
        QString output;
        const char *mainImage;
        bool remove, reveal, editable, eta, pause;
        double progress;
    };
    const QList<Case> cases = {
        {"failed", QString(), "icon-redownload@2x.png", true, false, true, false, false, 0.0},
        {"failed", kept, "icon-redownload@2x.png", true, true, true, false, false, 0.0},
        {"failed", folder.filePath(s("gone.mp4")), "icon-redownload@2x.png", true, false, true, false, false,
         0.0},
        {"done", QString(), "icon-redownload@2x.png", true, true, true, false, false, 1.0},
        {"running", QString(), "icon-cancel@2x.png", false, false, false, true, true, 0.4},
        {"ready", QString(), "icon-download@2x.png", true, false, true, false, false, 0.0},
    };
    for (const Case &c : cases) {
        KLEntryViewController row(entryInState(c.state, c.output), {}, false);
        row.resize(320, KLEntryViewController::rowHeight);
        row.show();
        EXPECT_EQ(row.mainImage(), s(c.mainImage)) << c.state;
        EXPECT_EQ(row.removeButton()->isVisible(), c.remove) << c.state;
        EXPECT_EQ(row.revealButton()->isVisible(), c.reveal) << c.state;
        EXPECT_EQ(!row.titleTextField()->isReadOnly(), c.editable) << c.state;
        EXPECT_EQ(row.etaTextField()->isVisible(), c.eta) << c.state;
        EXPECT_EQ(row.pauseButton()->isVisible(), c.pause) << c.state;
        EXPECT_TRUE(row.downloadButton()->isVisible()) << c.state;
        EXPECT_DOUBLE_EQ(row.circularProgressIndicator()->progress(), c.progress) << c.state;
    }

    // An error wins over everything else; progress that cannot be measured turns the ring.
    auto both = entryInState("running");
    both->setError(KLError::create(KLError::ffmpegType, s("Conversion failed...")));
    EXPECT_EQ(KLEntryViewController::lookFor(*both).mainImage, s("icon-redownload@2x.png"));
    auto merging = entryInState("running");
    merging->setCompletionFactor(-1.0);
    KLEntryViewController row(merging, {}, false);
    row.resize(320, KLEntryViewController::rowHeight);
    row.show();
    // The visible tools sit side by side, whichever are hidden.
    EXPECT_EQ(row.pauseButton()->x(), row.informationButton()->geometry().right() + 7);
    EXPECT_TRUE(row.circularProgressIndicator()->indeterminate());
    merging->setState(s("Converting..."));
    merging->setCompletionFactor(0.5);
    row.apply();
    EXPECT_FALSE(row.circularProgressIndicator()->indeterminate());
    EXPECT_EQ(row.circularProgressIndicator()->foregroundColor(), QColor(98, 163, 245));
}

TEST(EntryRows, WithAutomaticRemovalOnlyACompletedEntryLeavesTheQueue) {
    // The user dismisses the question where to put the file: the run ends without an error, incomplete.
    class Dismissing final : public KLEntryDestinationChooser {
    public:
        void chooseDestinationForEntry(const std::shared_ptr<KLEntry> &,
                                       const std::shared_ptr<KLPreferences> &, const QString &,
                                       const QString &, Answer answer) override {
            answer(std::nullopt);
        }
    };
    auto preferences = std::make_shared<KLDefaultPreferences>();
    preferences->setSaving(false);
    preferences->setAutomaticallyStartDownloading(false);
    preferences->setAutomaticallyRemoveWhenCompleted(true);
    const auto services = std::make_shared<KLServices>();
    services->preferences = preferences;
    services->destinationChooser = std::make_shared<Dismissing>();
    auto table = std::make_shared<KLEntryTableController>(services);
    table->setAutomaticStart(false);
    auto entry = entryInState("ready", QString(), services);
    table->addEntry(entry);
    const std::shared_ptr<KLEntryRow> row = table->rowForEntry(entry);
    ASSERT_NE(row, nullptr);
    row->onProcess();
    EXPECT_FALSE(entry->processing());
    EXPECT_NE(table->rowForEntry(entry), nullptr) << "the dismissed entry's row went";
    entry->setCompleted(true);
    row->finishedProcessing();
    EXPECT_EQ(table->rowForEntry(entry), nullptr) << "the completed entry's row stayed";
}

TEST(EntryRows, DotsCycleAndARepeatedStateDoesNotRestartThem) {
    auto entry = entryInState("running");
    KLEntryViewController row(entry, {}, false);
    QStringList seen;
    for (int tick = 0; tick < 4; ++tick) {
        row.updateDots();
        seen << row.stateTextField()->text();
        entry->setState(s("Downloading...")); // the task repeats its description with every report
        row.apply();
    }
    EXPECT_EQ(seen,
              QStringList({s("Downloading"), s("Downloading."), s("Downloading.."), s("Downloading...")}));
    entry->setState(s("Waiting to convert..."));
    row.apply();
    row.updateDots();
    EXPECT_EQ(row.stateTextField()->text(), s("Waiting to convert..."));
}

TEST(EntryRows, AFailureSaysWhyAndTheWholeTitleAndAddressShowWhereTheRowHasNoRoom) {
    const QString title = s("A very long title of a concert recorded on a summer evening by the lake");
    const QString cause = s("Could not copy file to destination... (No space left on device)");
    auto entry = entryInState("failed");
    entry->setTitle(title);
    entry->setError(KLError::create(KLError::ffmpegType, cause));
    entry->setOriginalURL(QUrl(s("https://videos.example/page#kinolark-item=3")));
    KLEntryViewController row(entry, {}, false);
    row.resize(320, KLEntryViewController::rowHeight);
    row.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&row));
    row.titleTextField()->clearFocus(); // alone in its window, the title took the focus the window got

    EXPECT_EQ(row.toolTip(), cause);
    EXPECT_EQ(row.stateTextField()->toolTip(), cause);
    const QList<Line> lines =
        KLInformationPopoverController::linesForEntry(*entry, KLSettingsLevel::Beginner);
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines.at(0), Line(s("Error:"), cause));
    EXPECT_EQ(lines.at(1), Line(s("Title:"), title));
    // The page's item marker is the program's own; the entry keeps it for the download.
    EXPECT_EQ(row.originalURLTextField()->text(), s("https://videos.example/page"));
    EXPECT_EQ(row.originalURLTextField()->toolTip(), s("https://videos.example/page"));
    EXPECT_EQ(entry->originalURL().fragment(), s("kinolark-item=3"));

    KLTitleTextField *field = row.titleTextField();
    EXPECT_TRUE(field->text().endsWith(QChar(0x2026))) << field->text().toStdString();
    EXPECT_LE(field->fontMetrics().horizontalAdvance(field->text()), field->width());
    EXPECT_EQ(field->toolTip(), title);
    // Editing starts from the whole title; what is typed, not what was shown, becomes the title.
    field->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([field] { return field->hasFocus(); }, 2000));
    EXPECT_EQ(field->text(), title);
    field->end(false);
    QTest::keyClicks(field, s(" (live)"));
    field->clearFocus();
    EXPECT_EQ(entry->title(), title + s(" (live)"));
    EXPECT_TRUE(field->text().endsWith(QChar(0x2026)));

    // The information stays on the screen even when neither side of the button has room for all of it.
    entry->setTitle(title.repeated(8));
    entry->setError(KLError::create(KLError::ffmpegType, cause.repeated(20)));
    const QRect available = row.screen()->availableGeometry();
    row.move(available.left(), available.center().y() - 60);
    row.onDisplayInformation();
    auto *popover = row.findChild<KLPopover *>();
    ASSERT_NE(popover, nullptr);
    EXPECT_GT(popover->height(), available.height() / 2);
    EXPECT_TRUE(available.contains(popover->frameGeometry())) << popover->y();
    popover->close();
}

TEST(EntryRows, InformationLinesDescribeTheMedia) {
    auto audio = std::make_shared<KLEntry>();
    audio->setLocal(true);
    auto sound = std::make_shared<KLVideoProperties>();
    sound->setContainerMode(KLVideoProperties::audioOnlyMode);
    sound->setContainer(s("mp3"));
    sound->setDuration(125.0);
    sound->setAudioCodec(s("mp3"));
    sound->setSampleRate(44100);
    sound->setStereo(false);
    audio->setProperties(sound);
    const QList<Line> local =
        KLInformationPopoverController::linesForEntry(*audio, KLSettingsLevel::Beginner);
    ASSERT_EQ(local.size(), 6);
    EXPECT_EQ(local.first(), Line(s("Type:"), s("Audio only")));
    EXPECT_EQ(local.at(4), Line(s("Sample Rate:"), s("44100Hz")));
    EXPECT_EQ(local.last(), Line(s("Channels:"), s("mono")));

    auto remote = std::make_shared<KLEntry>();
    auto video = std::make_shared<KLVideoProperties>();
    video->setContainerMode(KLVideoProperties::videoAndAudioMode);
    video->setContainer(s("mp4"));
    video->setSize(3 * 1024 * 1024);
    video->setResolution(QSizeF(1920, 1080));
    video->setAvailableResolutions(
        {QSizeF(1280, 720), QSizeF(1920, 1080), QSizeF(640, 360), QSizeF(1280, 720)});
    remote->setProperties(video);
    EXPECT_EQ(KLInformationPopoverController::linesForEntry(*remote, KLSettingsLevel::Advanced),
              QList<Line>({Line(s("Available in:"), s("1080p, 720p"))}));
    const QList<Line> beginner =
        KLInformationPopoverController::linesForEntry(*remote, KLSettingsLevel::Beginner);
    QStringList titles;
    for (const Line &line : beginner) {
        titles << line.first;
    }
    EXPECT_EQ(titles,
              QStringList({s("Type:"), s("Container:"), s("File size:"), s("Duration:"), s("Resolution:")}));
    video->setAvailableResolutions({QSizeF(426, 240)});
    EXPECT_EQ(KLInformationPopoverController::linesForEntry(*remote, KLSettingsLevel::Expert).first().second,
              s("low resolutions"));
    video->setAvailableResolutions({});
    video->setUndeterminate(true);
    EXPECT_EQ(KLInformationPopoverController::linesForEntry(*remote, KLSettingsLevel::Expert),
              QList<Line>({Line(s("No info:"), s("(probably .m3u8 stream)"))}));

    // What a stopped download kept is told, against the whole when its size is known.
    QTemporaryDir keptRoot;
    auto services = std::make_shared<KLServices>();
    services->keptDownloads = std::make_shared<KLKeptDownloads>(keptRoot.path());
    auto stopped = std::make_shared<KLEntry>(services);
    stopped->setOriginalURL(QUrl(s("https://videos.example/watch/2")));
    stopped->setProperties(video);
    const QString keptFolder =
        services->keptDownloads->hold(stopped->originalURL(), QString(), s("downloading"));
    QFile part(QDir(keptFolder).filePath(s("download.part")));
    ASSERT_TRUE(part.open(QIODevice::WriteOnly) && part.write(QByteArray(1024 * 1024, 'x')) == 1024 * 1024);
    part.close();
    const QList<Line> keptLines =
        KLInformationPopoverController::linesForEntry(*stopped, KLSettingsLevel::Beginner);
    EXPECT_TRUE(
        keptLines.contains(Line(s("Kept:"), KLKinolarkUtils::formatSizeInBytes(1024 * 1024) + s(" of ") +
                                                KLKinolarkUtils::formatSizeInBytes(3 * 1024 * 1024))));
    stopped->setCompleted(true);
    for (const Line &line :
         KLInformationPopoverController::linesForEntry(*stopped, KLSettingsLevel::Beginner)) {
        EXPECT_NE(line.first, s("Kept:")) << "a finished video keeps nothing worth telling";
    }

    // The popover is as tall as its lines, each as tall as its value needs: a path wraps though it has no
    // space.
    KLInformationPopoverController popover;
    const int oneLine = KLInformationEntryViewController::heightForValue(s("Video"), popover.font());
    popover.addTitle(s("Type:"), s("Video"));
    popover.addTitle(s("Available in:"), s("2160p, 1440p, 1080p, 720p, 480p, and a long tail of more sizes"));
    EXPECT_GT(popover.contentHeight(), 2 * oneLine);
    const QString path = s("/home/someone/.local/share/KinolarkPro/Kept/") + QString(60, QLatin1Char('x'));
    EXPECT_GT(KLInformationEntryViewController::heightForValue(path, popover.font()), oneLine);
}
