// The window driven by the keyboard alone, with real key events from the X server (xdotool) and no pointer
// at all: paste a page, reach its row, start it through the save dialog, read its information, change a
// setting in Preferences and close them, and remove the finished row.
#include "KLAccessibilityTree.h"
#include "KLDesktopProgram.h"
#include "KLTestEnvironment.h"
#include "KLYTDLTestSite.h"
#include "Model/Preferences/KLDefaultPreferences.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

const QString application = s("KinolarkPro");

class KeyboardOnlyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_program.prepare({s("1280x800"), true}));
        m_display = m_program.display();
        ASSERT_TRUE(m_site.addMedia(s("clip.mp4"), KLMediaFixtures::Clip360p));
        m_site.addPage(s("page.html"), s("Landscape test clip"), {s("clip.mp4")});
        ASSERT_TRUE(m_site.start());
        QFile::remove(KLDefaultPreferences::storeFilePath());
        KLTestEnvironment::storeSettings({{s("settingsLevel"), s("Advanced")},
                                          {s("container"), s("mp4")},
                                          {s("downloadLocation"), m_output.path()}});
    }

    void TearDown() override {
        m_program.quit();
        KLTestEnvironment::stopServer(m_clipboard);
    }

    // Runs an X tool on the test's display; what it printed.
    QString onDisplay(const QString &tool, const QStringList &arguments) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(s("DISPLAY"), m_display);
        process.setProcessEnvironment(environment);
        process.start(tool, arguments);
        EXPECT_TRUE(process.waitForFinished(20000)) << tool.toStdString();
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }
    // Real key presses, as the X server delivers them to the window that has the keyboard.
    void keys(const QStringList &names) {
        onDisplay(s("xdotool"), QStringList{s("key"), s("--delay"), s("150")} + names);
    }
    bool waitForKeyboardIn(const QString &windowName) {
        return KLTestEnvironment::waitUntil(
            [&] {
                return onDisplay(s("xdotool"), {s("getwindowfocus"), s("getwindowname")}) == windowName;
            },
            30s);
    }
    // Puts the text on the clipboard, as a copy in another program does; the owner stays until the test ends.
    void copy(const QString &text) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(s("DISPLAY"), m_display);
        m_clipboard.setProcessEnvironment(environment);
        m_clipboard.start(s("xclip"),
                          {s("-quiet"), s("-selection"), s("clipboard")}); // in the foreground, to be stopped
        ASSERT_TRUE(m_clipboard.waitForStarted());
        m_clipboard.write(text.toUtf8());
        m_clipboard.closeWriteChannel();
        ASSERT_TRUE(KLTestEnvironment::waitUntil(
            [&] {
                return onDisplay(s("xclip"), {s("-o"), s("-selection"), s("clipboard")}) == text;
            },
            10s));
    }
    static bool waitForText(const QString &text, bool present = true) {
        return KLTestEnvironment::waitUntil(
            [&text, present] {
                return KLAccessibilityTree::allTexts(KLAccessibilityTree::read(application)).contains(text) ==
                       present;
            },
            120s);
    }
    static QString stored(const char *key) {
        return QSettings(KLDefaultPreferences::storeFilePath(), QSettings::IniFormat)
            .value(s(key))
            .toString();
    }

    KLDesktopProgram m_program;
    QString m_display;
    KLYTDLTestSite m_site;
    QTemporaryDir m_output;
    QProcess m_clipboard;
};

} // namespace

TEST_F(KeyboardOnlyTest, APageFromPasteToRemovalWithoutThePointer) {
    const QString resolution = stored("resolution");
    ASSERT_TRUE(m_program.start());
    ASSERT_TRUE(waitForKeyboardIn(application));

    copy(m_site.url(s("page.html")));
    keys({s("ctrl+v")});
    ASSERT_TRUE(waitForText(s("Ready to process...")));
    // The queue is the last stop of the tab order: one step back from the add button, where the window
    // starts. Return starts the row, and the save dialog's Return takes its proposal.
    keys({s("shift+Tab"), s("Return")});
    // The dialog is named for its question: where to save the video.
    ASSERT_TRUE(KLTestEnvironment::waitUntil(
        [&] {
            return !onDisplay(s("xdotool"), {s("search"), s("--name"), s("Save")}).isEmpty();
        },
        30s));
    keys({s("Return")});
    ASSERT_TRUE(KLTestEnvironment::waitUntil(
        [this] { return !QDir(m_output.path()).entryList({s("*.mp4")}, QDir::Files).isEmpty(); }, 180s));
    ASSERT_TRUE(waitForText(s("Done...")));

    // The row's menu: Start, then Show information; Escape closes the information. Popups stay out of the
    // accessibility tree, so the window system tells whether it is there.
    const auto informationShown = [this] {
        return !onDisplay(s("xdotool"), {s("search"), s("--onlyvisible"), s("--name"), s("^Information$")})
                    .isEmpty();
    };
    ASSERT_TRUE(waitForKeyboardIn(application));
    keys({s("Menu"), s("Down"), s("Down"), s("Return")});
    ASSERT_TRUE(KLTestEnvironment::waitUntil(informationShown, 10s));
    keys({s("Escape")});
    ASSERT_TRUE(KLTestEnvironment::waitUntil([&] { return !informationShown(); }, 10s));

    // Preferences: the next pane after Conversion is Video, whose first control is the codec; two more
    // stops reach the size, which the arrow changes; Ctrl+W closes the window.
    keys({s("ctrl+comma")});
    keys({s("ctrl+Tab"), s("Tab"), s("Tab"), s("Down"), s("ctrl+w")});
    EXPECT_TRUE(
        KLTestEnvironment::waitUntil([&resolution] { return stored("resolution") != resolution; }, 10s))
        << stored("resolution").toStdString();

    // Back in the queue, Delete removes the finished row. Where a closed window leaves the keyboard is the
    // window manager's to say, and this X server has none: the test gives it back as one would.
    onDisplay(s("xdotool"),
              {s("search"), s("--onlyvisible"), s("--name"), s("^KinolarkPro$"), s("windowfocus")});
    ASSERT_TRUE(waitForKeyboardIn(application));
    keys({s("Delete")});
    EXPECT_TRUE(waitForText(s("Done..."), false));
}
