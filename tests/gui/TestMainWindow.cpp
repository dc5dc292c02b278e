// The main window's own rules: its height follows the queue, the buttons follow the theme and the add
// button's setting, the busy animation plays its opening once, and the batch popover offers what the queue
// allows.
#include "App/KLAppDelegate.h"
#include "App/KLEntryTableController.h"
#include "Model/KLEntry/KLEntry.h"
#include "Model/KLTask/KLError.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLObjectRepository.h"
#include "Views/KLMainWindow.h"
#include "Views/KLMainWindowController.h"
#include "Views/KLStatusAnimation.h"
#include "Views/Other/KLDragFilesView.h"
#include "Views/Other/KLHoverButton.h"
#include "Views/Other/KLPassthroughTextField.h"
#include "Views/Other/KLScaleToFillImageView.h"
#include "Views/Popovers/KLBatchPopoverController.h"
#include "Views/Popovers/KLPopover.h"
#include "Views/Popovers/KLPopoverChoice.h"
#include "Views/Table/KLEntryTableView.h"
#include "Views/Table/KLEntryViewController.h"
#include "Views/Table/KLTitleTextField.h"
#include "Views/Utils/KLArtwork.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_controller = std::make_shared<KLMainWindowController>();
        m_delegate = std::make_shared<KLAppDelegate>(m_controller);
        m_delegate->initializeObjectRepository();
        m_controller->setApplicationDelegate(m_delegate);
        m_controller->initializeMainWindow();
    }

    KLDefaultPreferences &preferences() { return *KLObjectRepository::singleton()->getPreferences(); }
    KLMainWindow &window() { return *m_controller->window(); }
    static QImage picture(const QIcon &icon) { return icon.pixmap(QSize(24, 24)).toImage(); }
    static QImage artwork(const QString &name) { return picture(KLArtwork::icon(name)); }

    std::shared_ptr<KLMainWindowController> m_controller;
    std::shared_ptr<KLAppDelegate> m_delegate;
};

} // namespace

TEST_F(MainWindowTest, TheHeightFollowsTheQueueUpToTheQueueSize) {
    preferences().setQueueSize(3);
    const int empty = m_controller->contentHeightFor(0);
    EXPECT_EQ(empty, window().headerHeight());
    EXPECT_EQ(m_controller->contentHeightFor(2), empty + 2 * 130);
    EXPECT_EQ(m_controller->contentHeightFor(3), empty + 3 * 130);
    EXPECT_EQ(m_controller->contentHeightFor(5), m_controller->contentHeightFor(3) + 30);
    m_controller->numberOfEntriesChanged(5);
    EXPECT_TRUE(
        QTest::qWaitFor([this] { return window().height() == m_controller->contentHeightFor(5); }, 2000))
        << window().height();
    const int top = window().y();
    m_controller->numberOfEntriesChanged(1);
    EXPECT_TRUE(
        QTest::qWaitFor([this] { return window().height() == m_controller->contentHeightFor(1); }, 2000));
    EXPECT_EQ(window().y(), top);

    // A long queue never takes the window past the screen, wherever the window stood: it scrolls.
    preferences().setQueueSize(25);
    const QRect available = window().screen()->availableGeometry();
    window().move(available.left(), available.bottom() - 400);
    m_controller->numberOfEntriesChanged(25);
    EXPECT_GT(m_controller->contentHeightFor(25), available.height());
    EXPECT_TRUE(QTest::qWaitFor([&] { return window().height() == m_controller->windowHeightFor(25); }, 2000))
        << window().height();
    EXPECT_TRUE(available.contains(window().frameGeometry())) << window().frameGeometry().y();
    preferences().setQueueSize(3);
}

TEST_F(MainWindowTest, TheStatusIsOneLineAndAFailureSaysWhy) {
    QLabel *status = window().stateTextField();
    const QString analyzing = s("Analyzing URL: http://videos.example/") + QString(300, QLatin1Char('a'));
    m_controller->setStatusText(analyzing);
    EXPECT_LE(status->fontMetrics().horizontalAdvance(status->text()), status->width());
    EXPECT_FALSE(status->text().contains(QLatin1Char('\n')));
    EXPECT_EQ(status->toolTip(), analyzing);

    // Why nothing was found comes with the failure that follows, once.
    m_controller->addressYieldedNothing(QUrl(s("http://videos.example/p")),
                                        KLError::create(KLError::downloadAnalysisType,
                                                        s("http://videos.example/p"),
                                                        s("links to local files are not followed")));
    m_controller->setStatusText(KLAppDelegate::idleText);
    m_controller->setStatusText(KLAppDelegate::failedText);
    const QString failure =
        s("No contents were found... http://videos.example/p (links to local files are not followed)");
    EXPECT_EQ(status->toolTip(), failure);
    // Background work that begins and ends meanwhile (an update) gives the band back to the failure.
    m_controller->setStatusText(s("Updating..."));
    m_controller->setStatusTextVisible(false);
    m_controller->setStatusText(KLAppDelegate::idleText);
    EXPECT_TRUE(status->isVisibleTo(&window()));
    EXPECT_EQ(status->toolTip(), failure);
    // The user's next action takes it away.
    m_controller->onBatch();
    m_controller->closeBatchPopover();
    EXPECT_TRUE(window().hintTextField()->isVisibleTo(&window()));
    EXPECT_FALSE(status->isVisibleTo(&window()));
}

TEST_F(MainWindowTest, RowsFollowTheQueuesOrder) {
    // The entries of one page reach the queue as they are ready, here the second before the first.
    m_delegate->tableController()->setAutomaticStart(false);
    const std::vector<std::shared_ptr<KLEntry>> page = {std::make_shared<KLEntry>(),
                                                        std::make_shared<KLEntry>()};
    const auto other = std::make_shared<KLEntry>();
    for (const auto &entry : {page.at(1), other, page.at(0)}) {
        m_delegate->tableController()->addEntry(entry, entry == other ? decltype(page)() : page);
    }
    KLEntryTableView *rows = window().mainTableView();
    ASSERT_TRUE(QTest::qWaitFor([rows] { return rows->numberOfRows() == 3; }, 2000));
    const std::vector<std::shared_ptr<KLEntry>> expected = {page.at(0), page.at(1), other};
    for (int index = 0; index < 3; ++index) {
        EXPECT_EQ(rows->rowAt(index)->entry(), expected.at(static_cast<size_t>(index))) << index;
        EXPECT_EQ(rows->rowAt(index)->y(), index * KLEntryViewController::rowHeight) << index;
    }
}

TEST_F(MainWindowTest, ButtonsFollowTheThemeAndTheAddButtonSettingAtOnce) {
    preferences().setAddButtonBehaviour(s("show choices"));
    for (const bool dark : {false, true, false}) {
        preferences().setTheme(dark ? s("dark") : s("light"));
        const QString theme = dark ? s("dark") : s("light");
        // The change reaches the window through its event loop, after whatever was posted before it.
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return m_controller->getImageForAddButton() == s("icon-add-inactive-%1@2x.png").arg(theme);
            },
            2000));
        EXPECT_EQ(picture(window().addButton()->defaultImage()),
                  artwork(m_controller->getImageForAddButton()));
        EXPECT_EQ(picture(window().batchButton()->defaultImage()),
                  artwork(s("icon-settings-inactive-%1@2x.png").arg(theme)));
        EXPECT_EQ(window().tvImageView()->imageName(), s("tv-%1.png").arg(theme));
    }
    preferences().setAddButtonBehaviour(s("chrome"));
    for (const char *theme : {"dark", "light"}) {
        preferences().setTheme(s(theme));
        QCoreApplication::processEvents();
        EXPECT_EQ(m_controller->getImageForAddButton(), s("chrome.png"));
        EXPECT_EQ(picture(window().addButton()->defaultImage()), artwork(s("chrome.png")));
    }
    preferences().setAddButtonBehaviour(s("show choices"));
}

TEST_F(MainWindowTest, TheBusyAnimationPlaysItsOpeningOnce) {
    KLStatusAnimation &animation = *m_controller->animation();
    m_controller->setSpinning(true);
    EXPECT_FALSE(animation.animatingArrow());
    QStringList arrowFrames;
    QStringList staticFrames;
    for (int tick = 0; tick < 200; ++tick) {
        animation.updateStaticFrame();
        if (window().arrowImageView()->isVisible()) {
            arrowFrames << window().arrowImageView()->imageName();
        } else {
            staticFrames << window().staticImageView()->imageName();
        }
    }
    EXPECT_EQ(arrowFrames.size(), 12); // the thirteenth frame shows as the static layer takes over
    EXPECT_EQ(arrowFrames.first(), s("arrow-end_01@2x.png"));
    EXPECT_EQ(staticFrames.filter(s("arrow")).size(), 0);
    EXPECT_EQ(staticFrames.filter(s("noise_01@")).size(), 1);
    EXPECT_EQ(staticFrames.filter(s("noise_05@")).size(), 1);
    EXPECT_GT(staticFrames.filter(s("noise_06@")).size(), 1);
    EXPECT_TRUE(staticFrames.last().startsWith(s("noise_")));

    m_controller->setSpinning(false);
    EXPECT_FALSE(animation.animatingStatic());
    EXPECT_TRUE(animation.animatingArrow());
    EXPECT_TRUE(window().arrowImageView()->isVisible());
    for (int tick = 0; tick < 16; ++tick) {
        animation.updateArrowFrame();
    }
    EXPECT_EQ(window().arrowImageView()->imageName(), s("arrow-down_01@2x.png"));
}

TEST_F(MainWindowTest, TheBatchPopoverOffersWhatTheQueueAllows) {
    m_controller->setBatchActions(false, false, false);
    EXPECT_FALSE(window().batchButton()->isVisible());
    m_controller->setBatchActions(true, false, true);
    EXPECT_TRUE(window().batchButton()->isVisible());
    m_controller->onBatch();
    ASSERT_TRUE(m_controller->batchPopoverShown());
    auto *actions = qobject_cast<KLBatchPopoverController *>(m_controller->batchPopover()->content());
    ASSERT_NE(actions, nullptr);
    EXPECT_TRUE(actions->processAllChoice()->offered());
    EXPECT_FALSE(actions->clearCompletedChoice()->offered());
    EXPECT_TRUE(actions->clearAllChoice()->offered());
    EXPECT_EQ(actions->processAllChoice()->imageName(), s("icon-download-all-grey@2x.png"));
    EXPECT_EQ(picture(window().batchButton()->defaultImage()),
              artwork(s("icon-settings-active-light@2x.png")));
    m_controller->closeBatchPopover();
    EXPECT_TRUE(QTest::qWaitFor([this] { return !m_controller->batchPopoverShown(); }, 1000));
    EXPECT_EQ(picture(window().batchButton()->defaultImage()),
              artwork(s("icon-settings-inactive-light@2x.png")));
}

TEST_F(MainWindowTest, QuittingAsksFirstWhileEntriesAreProcessedAndCancelIsTheDefault) {
    m_delegate->tableController()->setAutomaticStart(false);
    const auto entries = {std::make_shared<KLEntry>(), std::make_shared<KLEntry>()};
    for (const auto &entry : entries) {
        m_delegate->tableController()->addEntry(entry);
    }
    QSignalSpy quits(m_controller.get(), &KLMainWindowController::quitRequested);
    const struct {
        int processing;
        bool byMenu; // Ctrl+Q rather than the window's close button
        const char *asked;
        bool quit; // the answer: its Quit button, or Return
    } steps[] = {{0, true, "", true},
                 {2, true, "2 videos are still being processed. Quit anyway?", false},
                 {1, false, "1 video is still being processed. Quit anyway?", true}};
    for (const auto &step : steps) {
        window().show();
        int index = 0;
        for (const auto &entry : entries) {
            entry->setProcessing(index++ < step.processing);
        }
        QString asked;
        QTimer::singleShot(0, &window(), [&asked, &step] {
            if (auto *question = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                asked = question->text();
                step.quit ? question->buttons().constFirst()->click()
                          : QTest::keyClick(question, Qt::Key_Return);
            }
        });
        const qsizetype before = quits.size();
        step.byMenu ? window().quitAction()->trigger() : void(window().close());
        QCoreApplication::processEvents();
        EXPECT_EQ(asked, s(step.asked));
        EXPECT_EQ(quits.size() - before, step.quit ? 1 : 0) << step.asked;
        EXPECT_EQ(window().isVisible(), !step.quit) << step.asked;
    }
    for (const auto &entry : entries) {
        entry->setProcessing(false);
    }
}

namespace {

struct DropRecorder final : KLDragFilesViewDelegate {
    QStringList files;
    QStringList texts;
    void dragFilesViewFilesWereDropped(const QStringList &paths) override { files << paths; }
    void dragFilesViewStringWasDragged(const QString &text) override { texts << text; }
};

} // namespace

TEST(DropZone, FilesGoAsPathsTextAsTextAndNothingWhileDraggingIsOff) {
    KLDragFilesView zone;
    DropRecorder recorder;
    zone.setDelegate(&recorder);
    const auto drop = [&zone](QMimeData *data) {
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&zone, &enter);
        if (!enter.isAccepted()) {
            return false;
        }
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&zone, &dropped);
        return true;
    };
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(s("/videos/a.mp4")), QUrl::fromLocalFile(s("/videos/b folder"))});
    files.setText(s("a.mp4"));
    EXPECT_FALSE(drop(&files));
    zone.setDragEnabled(true);
    EXPECT_TRUE(drop(&files));
    EXPECT_EQ(recorder.files, QStringList({s("/videos/a.mp4"), s("/videos/b folder")}));
    EXPECT_TRUE(recorder.texts.isEmpty());

    QMimeData text;
    text.setText(s("watch https://videos.example/v/1 tonight"));
    EXPECT_TRUE(drop(&text));
    QMimeData link;
    link.setUrls({QUrl(s("https://videos.example/v/2"))});
    EXPECT_TRUE(drop(&link));
    EXPECT_EQ(recorder.texts,
              QStringList({s("watch https://videos.example/v/1 tonight"), s("https://videos.example/v/2")}));
}

TEST_F(MainWindowTest, TheQueueIsOneTabStopWhoseRowsTheKeysDrive) {
    m_delegate->tableController()->setAutomaticStart(false);
    std::vector<std::shared_ptr<KLEntry>> entries;
    for (const char *title : {"First", "Second", "Third"}) {
        entries.push_back(std::make_shared<KLEntry>(m_delegate->services()));
        entries.back()->setTitle(s(title));
        m_delegate->tableController()->addEntry(entries.back());
    }
    KLEntryTableView *queue = window().mainTableView();
    ASSERT_TRUE(QTest::qWaitFor([queue] { return queue->numberOfRows() == 3; }, 2000));
    window().show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));

    // The add and queue buttons, then the queue as one stop, whatever its rows hold.
    m_controller->setBatchActions(true, false, true);
    window().addButton()->setFocus(Qt::TabFocusReason);
    for (QWidget *expected : {static_cast<QWidget *>(window().batchButton()), static_cast<QWidget *>(queue),
                              static_cast<QWidget *>(window().addButton())}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), expected);
    }
    const struct {
        Qt::Key key;
        int current;
    } moves[] = {{Qt::Key_Down, 1}, {Qt::Key_End, 2},  {Qt::Key_Down, 2},
                 {Qt::Key_Home, 0}, {Qt::Key_Down, 1}, {Qt::Key_Down, 2}};
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    ASSERT_EQ(QApplication::focusWidget(), queue);
    EXPECT_EQ(queue->currentRow(), 0);
    for (const auto &move : moves) {
        QTest::keyClick(queue, move.key);
        EXPECT_EQ(queue->currentRow(), move.current) << move.key;
        EXPECT_TRUE(queue->rowAt(move.current)->isCurrent());
    }

    // The row's actions: its menu names them; F2 renames; Delete removes it; Return starts the next.
    bool offered = false;
    QTimer::singleShot(0, &window(), [&offered] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            offered = true;
            QStringList names;
            for (const QAction *action : menu->actions()) {
                names << action->text();
            }
            EXPECT_EQ(names,
                      QStringList({s("Start"), s("Show information"), s("Rename"), s("Remove from queue")}));
            menu->close();
        }
    });
    QTest::keyClick(queue, Qt::Key_Menu);
    EXPECT_TRUE(offered);
    window().activateWindow(); // offscreen, a closed menu leaves no window active
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    QTest::keyClick(queue, Qt::Key_F2);
    EXPECT_TRUE(queue->rowAt(2)->titleTextField()->hasFocus());
    queue->setFocus(Qt::TabFocusReason);
    QTest::keyClick(queue, Qt::Key_Delete);
    ASSERT_TRUE(QTest::qWaitFor([queue] { return queue->numberOfRows() == 2; }, 2000));
    EXPECT_EQ(queue->currentRow(), 1);
    QTest::keyClick(queue, Qt::Key_Return);
    EXPECT_TRUE(entries.at(1)->processing());
    entries.at(1)->setProcessing(false);
}
