// The preferences panes over the real records: which panes a level offers, what typed values become, the
// bitrate and size lists, the mode's effect on the containers, the codec panes, the settings file and the
// command line that reads it, how long stopped downloads are kept, the save dialog that carries one run's own
// settings, and the window by keyboard.
#include "Flow/Entries/Generators/KLFileEntryGenerator.h"
#include "KLEntryTestHarness.h"
#include "KLGenerationRun.h"
#include "KLKinolarkRunner.h"
#include "KLMediaFixtures.h"
#include "KLTestEnvironment.h"
#include "Model/KLEntry/KLEntry.h"
#include "Model/KLTask/KLError.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Model/Preferences/KLPreferences.h"
#include "Utils/KLKeptDownloads.h"
#include "Utils/KLKinolarkUtils.h"
#include "Views/KLSaveDestinationChooser.h"
#include "Views/Preferences/Controllers/KLDefaultPreferencesWindowController.h"
#include "Views/Preferences/Controllers/KLPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/Codecs/Audio/KLMP2CodecPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/Codecs/Bitrate/KLBitrateSelectionWindowController.h"
#include "Views/Preferences/PreferenceViews/Codecs/KLCodecPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/Codecs/KLCodecPreferencesViewFactory.h"
#include "Views/Preferences/PreferenceViews/KLAudioCodecPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/KLConversionPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/KLGeneralPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/KLVideoPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/Resolution/KLResolutionSelectionWindowController.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "Utils/KLServices.h"

#include <gtest/gtest.h>

namespace {

using Pane = KLPreferencesViewController::Pane;

QString s(const char *text) {
    return QString::fromUtf8(text);
}

// The control of the field stored under the key.
template <class Control> Control *controlNamed(QWidget &within, const QString &key) {
    Control *control = within.findChild<Control *>(key);
    if (control == nullptr) {
        ADD_FAILURE() << "no control for " << key.toStdString();
    }
    return control;
}

// Types the text into the field and leaves it, as a user does.
void type(QLineEdit &field, const QString &text) {
    field.setText(text);
    Q_EMIT field.editingFinished();
    QCoreApplication::processEvents();
}

void choose(QComboBox &box, const QString &text) {
    const int index = box.findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    box.setCurrentIndex(index);
    Q_EMIT box.activated(index);
    QCoreApplication::processEvents();
}

std::vector<Pane> shownPanes(const KLPreferencesViewController &view) {
    std::vector<Pane> shown;
    for (const Pane pane :
         {Pane::General, Pane::Conversion, Pane::Video, Pane::Audio, Pane::VideoCodec, Pane::AudioCodec}) {
        if (!view.paneButton(pane)->isHidden()) {
            shown.push_back(pane);
        }
    }
    return shown;
}

// What is wrong with the shown labels of the pane's forms: one without a buddy, or a mnemonic used twice.
std::string untiedLabels(const QWidget &pane) {
    QString wrong;
    QList<QKeySequence> mnemonics;
    for (const QFormLayout *form : pane.findChildren<QFormLayout *>()) {
        for (int row = 0; row < form->rowCount(); ++row) {
            const QLayoutItem *item = form->itemAt(row, QFormLayout::LabelRole);
            const auto *label = item != nullptr ? qobject_cast<QLabel *>(item->widget()) : nullptr;
            if (label == nullptr || !label->isVisibleTo(&pane)) {
                continue;
            }
            const QKeySequence mnemonic = QKeySequence::mnemonic(label->text());
            if (label->buddy() == nullptr || (!mnemonic.isEmpty() && mnemonics.contains(mnemonic))) {
                wrong += label->text() + s(" ");
            }
            mnemonics << mnemonic;
        }
    }
    return wrong.toStdString();
}

} // namespace

TEST(PreferencesWindow, TheKeyboardAloneWalksThePanesAndReachesTheirControls) {
    auto stored = std::make_shared<KLDefaultPreferences>();
    stored->setSettingsLevel(KLSettingsLevel::Expert);
    KLDefaultPreferencesWindowController window(stored);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const KLPreferencesViewController &view = *window.preferencesView();
    EXPECT_EQ(QApplication::focusWidget(), view.paneButton(Pane::General));

    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    struct Step {
        const char *keys;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        Pane shown;
        bool focusOnBar; // else on a control of the pane
    };
    const Step steps[] = {
        {"Right", Qt::Key_Right, {}, Pane::Conversion, true},
        {"Down", Qt::Key_Down, {}, Pane::Video, true},
        {"End", Qt::Key_End, {}, Pane::AudioCodec, true},
        {"Right at the end", Qt::Key_Right, {}, Pane::General, true},
        {"Left at the start", Qt::Key_Left, {}, Pane::AudioCodec, true},
        {"Home", Qt::Key_Home, {}, Pane::General, true},
        {"Tab from the bar", Qt::Key_Tab, {}, Pane::General, false},
        {"Shift+Tab", Qt::Key_Backtab, Qt::ShiftModifier, Pane::General, true},
        {"Enter", Qt::Key_Return, {}, Pane::General, false},
        {"Ctrl+Tab", Qt::Key_Tab, ctrl, Pane::Conversion, false},
        {"Ctrl+PgDown", Qt::Key_PageDown, ctrl, Pane::Video, false},
        {"Ctrl+PgUp", Qt::Key_PageUp, ctrl, Pane::Conversion, false},
        {"Ctrl+Shift+Tab", Qt::Key_Backtab, ctrlShift, Pane::General, false},
        {"Ctrl+Shift+Tab at the start", Qt::Key_Backtab, ctrlShift, Pane::AudioCodec, false},
        {"Ctrl+Tab at the end", Qt::Key_Tab, ctrl, Pane::General, false},
        {"Shift+Tab again", Qt::Key_Backtab, Qt::ShiftModifier, Pane::General, true},
        {"Right again", Qt::Key_Right, {}, Pane::Conversion, true},
        {"Right to Video", Qt::Key_Right, {}, Pane::Video, true},
        {"Space", Qt::Key_Space, {}, Pane::Video, false},
    };
    for (const Step &step : steps) {
        QTest::keyClick(static_cast<QWidget *>(nullptr), step.key, step.modifiers);
        QCoreApplication::processEvents();
        const QString title = KLPreferencesViewController::paneTitle(step.shown);
        EXPECT_EQ(KLPreferencesViewController::paneTitle(view.currentPane()), title) << step.keys;
        QWidget *focused = QApplication::focusWidget();
        EXPECT_TRUE(step.focusOnBar ? focused == view.paneButton(step.shown)
                                    : view.currentPaneView()->isAncestorOf(focused))
            << step.keys << " focus on " << (focused ? focused->metaObject()->className() : "nothing");
        // Screen readers hear the pane's name and that its button is the one on.
        QAccessibleInterface *button = QAccessible::queryAccessibleInterface(view.paneButton(step.shown));
        EXPECT_EQ(button->text(QAccessible::Name), title) << step.keys;
        EXPECT_EQ(button->role(), QAccessible::Button) << step.keys;
        EXPECT_TRUE(button->state().checkable && button->state().checked) << step.keys;
        EXPECT_EQ(untiedLabels(*view.currentPaneView()), "") << step.keys;
    }

    // In the video pane the codec has the focus, and Alt with the size label's letter reaches the size.
    auto *video = qobject_cast<KLVideoPreferencesViewController *>(view.currentPaneView());
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(QApplication::focusWidget(), video->codecPopUp());
    const auto labels = video->findChildren<QLabel *>();
    const auto size = std::find_if(labels.begin(), labels.end(), [video](QLabel *label) {
        return label->buddy() == video->resolutionPopUp();
    });
    ASSERT_NE(size, labels.end());
    EXPECT_EQ(QString((*size)->text()).remove(QLatin1Char('&')), s("Size:"));
    QTest::keySequence(static_cast<QWidget *>(nullptr), QKeySequence::mnemonic((*size)->text()));
    EXPECT_EQ(QApplication::focusWidget(), video->resolutionPopUp());
}

TEST(PreferencesPanes, TheLevelDecidesThePanesAndAnAccessoryHasNoGeneralPane) {
    auto stored = std::make_shared<KLDefaultPreferences>();
    stored->setSettingsLevel(KLSettingsLevel::Expert);
    KLPreferencesViewController window(stored, false);
    EXPECT_EQ(shownPanes(window), (std::vector<Pane>{Pane::General, Pane::Conversion, Pane::Video,
                                                     Pane::Audio, Pane::VideoCodec, Pane::AudioCodec}));
    EXPECT_EQ(window.currentPane(), Pane::General);

    window.showPane(Pane::VideoCodec);
    stored->setSettingsLevel(KLSettingsLevel::Beginner);
    QCoreApplication::processEvents();
    EXPECT_EQ(shownPanes(window), (std::vector<Pane>{Pane::General, Pane::Conversion}));
    EXPECT_EQ(window.currentPane(), Pane::Conversion);
    EXPECT_TRUE(window.paneButton(Pane::Conversion)->isChecked());

    auto copy = stored->copy();
    copy->setSettingsLevel(KLSettingsLevel::Expert);
    KLPreferencesViewController accessory(copy, true);
    EXPECT_EQ(shownPanes(accessory), (std::vector<Pane>{Pane::Conversion, Pane::Video, Pane::Audio,
                                                        Pane::VideoCodec, Pane::AudioCodec}));
    EXPECT_EQ(accessory.currentPane(), Pane::Conversion);
}

TEST(PreferencesPanes, TypedValuesAreHeldToTheirRange) {
    struct Case {
        const char *codec;
        const char *key;
        const char *typed;
        const char *stored;
    };
    const QList<Case> cases = {
        {"h264", "h264CRFValue", "80", "51"},
        {"h264", "h264CRFValue", "18", "18"},
        {"mpeg4", "mpeg4QScale", "0", "1"},
        {"vp9", "vp9CRFValue", "-5", "63"},
        {"vp8", "vp8CRFValue", "2", "4"},
        {"aac", "aacVariableBitRateQuality", "7", "2"},
        {"wmav2", "wmav2SampleRate", "96000", "48000"},
        {"mp3", "mp3VariableBitRateQuality", "x", "0"},
    };
    for (const Case &c : cases) {
        auto record = std::make_shared<KLPreferences>();
        std::unique_ptr<KLCodecPreferencesViewController> pane(
            KLCodecPreferencesViewFactory::forCodec(s(c.codec), record));
        ASSERT_NE(pane, nullptr) << c.codec;
        QLineEdit *field = controlNamed<QLineEdit>(*pane, s(c.key));
        ASSERT_NE(field, nullptr);
        type(*field, s(c.typed));
        EXPECT_EQ(field->text(), s(c.stored)) << c.key << " " << c.typed;
    }
}

TEST(PreferencesPanes, BitratePopUpsShowTheirValueAndOfferCustom) {
    auto record = std::make_shared<KLPreferences>();
    record->setH264TwoPassBitRate(2500000);
    std::unique_ptr<KLCodecPreferencesViewController> pane(
        KLCodecPreferencesViewFactory::forCodec(s("h264"), record));
    QComboBox *bitrates = controlNamed<QComboBox>(*pane, s("h264TwoPassBitRate"));
    ASSERT_NE(bitrates, nullptr);
    EXPECT_EQ(bitrates->itemText(bitrates->count() - 1), s("Custom..."));
    EXPECT_EQ(bitrates->itemText(bitrates->count() - 2), s("2500 kbps"));
    EXPECT_EQ(bitrates->currentText(), s("2500 kbps"));
    choose(*bitrates, s("600 kbps"));
    EXPECT_EQ(record->h264TwoPassBitRate(), 600000u);

    // MP2 offers its own list, without "Custom...".
    std::unique_ptr<KLCodecPreferencesViewController> mp2(
        KLCodecPreferencesViewFactory::forCodec(s("mp2"), record));
    QComboBox *mp2Bitrates = controlNamed<QComboBox>(*mp2, s("mp2Bitrate"));
    ASSERT_NE(mp2Bitrates, nullptr);
    EXPECT_EQ(mp2Bitrates->count(), KLPreferences::listMP2Bitrates().size());
    EXPECT_EQ(mp2Bitrates->findText(s("Custom...")), -1);

    // The dialogs take only what can be used.
    KLBitrateSelectionWindowController bitrate(2500000);
    EXPECT_EQ(bitrate.numberField()->text(), s("2500"));
    EXPECT_EQ(bitrate.unitsPopUp()->currentText(), s("kbps"));
    for (const auto &[typed, acceptable] :
         QList<QPair<QString, bool>>{{s("1"), false}, {s("abc"), false}, {s("3"), true}}) {
        bitrate.numberField()->setText(typed);
        EXPECT_EQ(bitrate.acceptable(), acceptable) << typed.toStdString();
    }
    bitrate.unitsPopUp()->setCurrentText(s("mbps"));
    EXPECT_EQ(bitrate.bitrate(), 3000000u);
    KLResolutionSelectionWindowController size(QSizeF(1280, 720));
    for (const auto &[width, acceptable] :
         QList<QPair<QString, bool>>{{s("0"), false}, {s("1.5"), false}, {s("640"), true}}) {
        size.widthField()->setText(width);
        EXPECT_EQ(size.acceptable(), acceptable) << width.toStdString();
    }
}

TEST(PreferencesPanes, AudioOnlyReappliesThePresetAndListsTheAudioContainers) {
    auto record = std::make_shared<KLPreferences>();
    record->setSettingsLevel(KLSettingsLevel::Intermediate);
    KLConversionPreferencesViewController pane(record);
    EXPECT_EQ(pane.convertToPopUp()->findText(s("mov")) >= 0, true);
    choose(*pane.modePopUp(), KLPreferences::outputModeToString(KLOutputMode::AudioOnly));
    QCoreApplication::processEvents();
    EXPECT_EQ(record->outputMode(), KLOutputMode::AudioOnly);
    EXPECT_TRUE(KLPreferences::listAudioContainers().contains(record->container()))
        << record->container().toStdString();
    QStringList offered;
    for (int index = 0; index < pane.convertToPopUp()->count(); ++index) {
        offered << pane.convertToPopUp()->itemText(index);
    }
    EXPECT_EQ(offered, KLPreferences::listAudioContainers());
    EXPECT_EQ(pane.convertToPopUp()->currentText(), record->container());

    record->setSettingsLevel(KLSettingsLevel::Beginner);
    pane.setupWithPreferences();
    EXPECT_TRUE(pane.convertToPopUp()->isHidden());
    EXPECT_TRUE(pane.warning()->isHidden());
}

TEST(PreferencesPanes, ChoosingACodecShowsItsPane) {
    auto record = std::make_shared<KLPreferences>();
    KLAudioCodecPreferencesViewController pane(record);
    choose(*pane.codecPopUp(), s("mp2"));
    EXPECT_NE(qobject_cast<KLMP2CodecPreferencesViewController *>(pane.codecPane()), nullptr);
    EXPECT_EQ(record->audioCodec(), s("aac")); // only the pane changed, not the codec the output uses
}

TEST(PreferencesPanes, AChangeIsInTheFileAtOnceAndTheCommandLineConvertsWithIt) {
    auto stored = std::make_shared<KLDefaultPreferences>();
    stored->setSettingsLevel(KLSettingsLevel::Expert);
    stored->setupOutputFor(s("Mac Viewing"));
    std::unique_ptr<KLCodecPreferencesViewController> pane(
        KLCodecPreferencesViewFactory::forCodec(s("h264"), stored));
    type(*controlNamed<QLineEdit>(*pane, s("h264CRFValue")), s("30"));
    choose(*controlNamed<QComboBox>(*pane, s("h264CRFSpeedPreset")), s("slow"));

    const QSettings file(KLDefaultPreferences::storeFilePath(), QSettings::IniFormat);
    EXPECT_EQ(file.value(s("h264CRFValue")).toString(), s("30"));
    EXPECT_EQ(file.value(s("h264CRFSpeedPreset")).toString(), s("slow"));
    const KLKinolarkRunner::Outcome printed =
        KLKinolarkRunner::run({s("--print-ffmpeg-params"), KLMediaFixtures::path(KLMediaFixtures::Clip720p)});
    EXPECT_EQ(printed.exitCode, 0) << printed.err.toStdString();
    EXPECT_TRUE(printed.out.contains(s("-crf 30 -preset slow"))) << printed.out.toStdString();
}

TEST(SaveDialog, TheRunsOwnSettingsDecideItsContainerAndCancellingLeavesNothing) {
    KLEntryTestHarness harness;
    harness.preferences()->setAutomaticallyStartDownloading(false);
    harness.preferences()->setSettingsLevel(KLSettingsLevel::Intermediate);
    QWidget window;
    auto chooser = std::make_shared<KLSaveDestinationChooser>(&window);
    harness.services()->destinationChooser = chooser;
    const auto prepared = [&harness] {
        KLFileEntryGenerator generator(harness.services());
        std::shared_ptr<KLError> error;
        auto entries = KLGenerationRun::generate(
            generator, QUrl::fromLocalFile(KLMediaFixtures::path(KLMediaFixtures::Clip360p)), &error);
        bool ready = false;
        entries->front()->prepareWithCompletion([&ready] { ready = true; });
        KLTestEnvironment::waitUntil([&ready] { return ready; });
        return entries->front();
    };

    auto cancelled = prepared();
    cancelled->process();
    ASSERT_TRUE(KLTestEnvironment::waitUntil([&chooser] { return chooser->lastDialog() != nullptr; }));
    chooser->lastDialog()->reject();
    EXPECT_TRUE(KLTestEnvironment::waitUntil([&cancelled] { return !cancelled->processing(); }));
    EXPECT_EQ(cancelled->error(), nullptr);
    EXPECT_TRUE(QDir(harness.outputDirectory()).isEmpty());
    EXPECT_TRUE(KLEntryTestHarness::temporaryFolders().isEmpty());

    // A download folder that is not there yet is made, and the dialog proposes the title inside it.
    const QString folder = QDir(harness.outputDirectory()).filePath(s("Not yet/there"));
    harness.preferences()->setDownloadLocation(folder);
    auto entry = prepared();
    entry->process();
    ASSERT_TRUE(KLTestEnvironment::waitUntil(
        [&chooser, &entry] { return chooser->lastDialog() != nullptr && entry->processing(); }));
    QFileDialog &dialog = *chooser->lastDialog();
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(dialog.directory().absolutePath(), folder);
    EXPECT_EQ(dialog.selectedFiles(), QStringList{QDir(folder).filePath(cancelled->title())});
    // Every pane of the run's settings leaves the dialog as high as it was, and the file list its rows.
    auto *settings = dialog.findChild<KLPreferencesViewController *>();
    ASSERT_NE(settings, nullptr);
    const int high = dialog.sizeHint().height();
    for (const Pane pane : {Pane::Video, Pane::Audio, Pane::VideoCodec, Pane::AudioCodec}) {
        settings->showPane(pane);
        EXPECT_EQ(dialog.sizeHint().height(), high)
            << KLPreferencesViewController::paneTitle(pane).toStdString();
    }
    settings->showPane(Pane::Conversion);
    EXPECT_GE(dialog.findChild<QSplitter *>(s("splitter"))->minimumHeight(),
              dialog.fontMetrics().height() * 10);
    auto *conversion = dialog.findChild<KLConversionPreferencesViewController *>();
    ASSERT_NE(conversion, nullptr);
    choose(*conversion->convertToPopUp(), s("mp4"));
    // The name the user types, in the folder the dialog opened on (the download folder).
    auto *name = dialog.findChild<QLineEdit *>(s("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), cancelled->title());
    name->setText(s("Chosen"));
    QMetaObject::invokeMethod(&dialog, "accept"); // as its Save button does
    ASSERT_TRUE(KLTestEnvironment::waitUntil(
        [&entry] { return entry->completed() || entry->error() != nullptr; }, std::chrono::seconds(120)));
    EXPECT_EQ(entry->outputFile(), QDir(folder).filePath(s("Chosen.mp4")))
        << entry->outputFile().toStdString() << " "
        << (entry->error() ? entry->error()->description().toStdString() : "");
    EXPECT_TRUE(KLTestEnvironment::probeStreams(entry->outputFile()).contains(s("h264,video")));
    EXPECT_EQ(harness.preferences()->container(), s("mov")); // the stored settings stay as they were
}

TEST(PreferencesPanes, TheGeneralPaneKeepsStoppedDownloadsForTheDaysTypedAndClearsAllButRunningOnes) {
    QTemporaryDir root;
    auto kept = std::make_shared<KLKeptDownloads>(root.path());
    const QUrl stopped(s("https://videos.example/stopped")), running(s("https://videos.example/running"));
    for (const QUrl &address : {stopped, running}) {
        QFile part(
            QDir(kept->hold(address, QString(), KLKeptDownloads::downloadingStage)).filePath(s("part")));
        ASSERT_TRUE(part.open(QIODevice::WriteOnly) && part.write(QByteArray(4096, 'x')) == 4096);
    }
    ASSERT_TRUE(kept->claim(running));
    auto stored = std::make_shared<KLDefaultPreferences>();
    KLGeneralPreferencesViewController pane(stored, kept);
    EXPECT_EQ(pane.keptDaysField()->text(), s("7"));
    EXPECT_EQ(pane.keptSpaceLabel()->text(), KLKinolarkUtils::formatSizeInBytes(8192));
    type(*pane.keptDaysField(), s("30"));
    EXPECT_EQ(stored->keptDownloadsDays(), 30u);

    QTest::mouseClick(pane.clearKeptButton(), Qt::LeftButton);
    EXPECT_EQ(kept->keptBytes(stopped), 0);
    EXPECT_EQ(kept->keptBytes(running), 4096) << "a running download's folder stays";
    EXPECT_EQ(pane.keptSpaceLabel()->text(), KLKinolarkUtils::formatSizeInBytes(4096));
    kept->release(running);
    kept->clear();
    pane.setupWithPreferences();
    EXPECT_EQ(pane.keptSpaceLabel()->text(), s("Nothing"));
    EXPECT_FALSE(pane.clearKeptButton()->isEnabled());
}

TEST(PreferencesPanes, FromAdvancedOnTheGeneralPaneChoosesWhoseCookiesTheSitesSee) {
    auto stored = std::make_shared<KLDefaultPreferences>();
    {
        const KLGeneralPreferencesViewController beginner(stored, nullptr);
        EXPECT_FALSE(beginner.cookiesBrowserPopUp()->isVisibleTo(&beginner));
    }
    stored->setSettingsLevel(KLSettingsLevel::Advanced);
    KLGeneralPreferencesViewController pane(stored, nullptr);
    EXPECT_TRUE(pane.cookiesBrowserPopUp()->isVisibleTo(&pane));
    choose(*pane.cookiesBrowserPopUp(), s("Chromium"));
    EXPECT_EQ(stored->cookiesFromBrowser(), s("chromium"));
    type(*pane.cookiesProfileField(), s("Profile 1"));
    EXPECT_EQ(stored->cookiesFromBrowser(), s("chromium:Profile 1"));
    // A keyring given on the command line shows as its browser and stays with it.
    stored->setCookiesFromBrowser(s("chromium+basictext:Profile 1"));
    pane.setupWithPreferences();
    EXPECT_EQ(pane.cookiesBrowserPopUp()->currentText(), s("Chromium"));
    type(*pane.cookiesProfileField(), s("Profile 2"));
    EXPECT_EQ(stored->cookiesFromBrowser(), s("chromium+basictext:Profile 2"));
    choose(*pane.cookiesBrowserPopUp(), s("None"));
    EXPECT_EQ(stored->cookiesFromBrowser(), QString());
}
