// The window as a screen reader reads it, from the accessibility bus: every control a user can act on, in
// the main window with rows in every state, in the popovers, in Preferences with every pane and in the small
// windows, has a name and a known role; a row is read as its title and state, and a download's progress is
// a value that grows.
#include "KLAccessibilityTree.h"
#include "KLDesktopProgram.h"
#include "KLTestEnvironment.h"
#include "KLYTDLTestSite.h"
#include "Model/Preferences/KLDefaultPreferences.h"

#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <functional>
#include <utility>

using namespace std::chrono_literals;
using Tree = QList<KLAccessibilityTree::Node>;

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

const QString application = s("KinolarkPro");

// What a user acts on, as the tree names the roles.
const QStringList interactiveRoles = {s("push button"), s("toggle button"), s("check box"), s("radio button"),
                                      s("combo box"),   s("spin button"),   s("slider"),    s("text"),
                                      s("menu item"),   s("page tab")};

QString parentRole(const Tree &tree, qsizetype index) {
    for (qsizetype at = index - 1; at >= 0; --at) {
        if (tree.at(at).depth < tree.at(index).depth) {
            return tree.at(at).role;
        }
    }
    return {};
}

// Nodes a reader cannot tell the user about: interactive ones without a name (an item of a list the user
// picks from counts) and any of an unknown role; each as "role (description)".
QStringList faults(const Tree &tree) {
    QStringList found;
    for (qsizetype index = 0; index < tree.size(); ++index) {
        const KLAccessibilityTree::Node &node = tree.at(index);
        const bool interactive = interactiveRoles.contains(node.role) ||
                                 (node.role == s("list item") && parentRole(tree, index) == s("list"));
        if ((interactive && node.name.trimmed().isEmpty()) || node.role == s("unknown")) {
            found << node.role + s(" (") + node.description + s(")");
        }
    }
    return found;
}

const KLAccessibilityTree::Node *named(const Tree &tree, const QString &name) {
    for (const KLAccessibilityTree::Node &node : tree) {
        if (node.name == name) {
            return &node;
        }
    }
    return nullptr;
}

// Waits until the tree satisfies `holds`; the tree last read, whatever came of it.
Tree waitForTree(const std::function<bool(const Tree &)> &holds, std::chrono::milliseconds timeout = 60s) {
    Tree tree;
    KLTestEnvironment::waitUntil(
        [&] {
            tree = KLAccessibilityTree::read(application);
            return holds(tree);
        },
        timeout);
    return tree;
}

// The progress value of the row whose title begins with `title`; -1 when it shows none.
double progressOf(const Tree &tree, const QString &title) {
    bool inRow = false;
    for (const KLAccessibilityTree::Node &node : tree) {
        inRow = inRow || node.name.startsWith(title);
        if (inRow && node.role == s("progress bar")) {
            return node.value;
        }
    }
    return -1.0;
}

const QString slowTitle = s("Landscape test clip");

// The tree as an indented outline of role, name and states: what a failure shows.
std::string outline(const Tree &tree) {
    QString lines;
    for (const KLAccessibilityTree::Node &node : tree) {
        lines += QString(node.depth, QLatin1Char(' ')) + node.role + s(" \"") + node.name + s("\" ") +
                 node.states.join(QLatin1Char(',')) + QLatin1Char('\n');
    }
    return lines.toStdString();
}

class AccessibleWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_program.prepare({s("1280x800"), true}));
        for (const auto &[page, title] :
             {std::pair{"done", "Short test clip"}, std::pair{"slow", "Landscape test clip"},
              std::pair{"gone", "Vanishing test clip"}}) {
            ASSERT_TRUE(m_site.addMedia(s(page) + s(".mp4"), KLMediaFixtures::Clip360p));
            m_site.addPage(s(page) + s(".html"), s(title), {s(page) + s(".mp4")});
        }
        ASSERT_TRUE(m_site.start());
        // One row downloads slowly, one fails: its video is gone before it is measured.
        m_site.server().throttle(s("/slow.mp4"), 8 * 1024);
        m_site.server().answerWithStatus(s("/gone.mp4"), 404);
        QFile::remove(KLDefaultPreferences::storeFilePath());
        KLTestEnvironment::storeSettings(
            {{s("automaticallyStartDownloading"), s("no")}, {s("settingsLevel"), s("Expert")}});
    }

    void TearDown() override { m_site.server().clearBehaviour(s("/slow.mp4")); }

    // Records what the reader cannot tell about `tree`, under `where`.
    void inspect(const QString &where, const Tree &tree) {
        for (const QString &fault : faults(tree)) {
            m_faults << where + s(": ") + fault;
        }
    }

    // Presses the control named `name` and records the tree once `shown` appears in it.
    // A menu item stays disabled while the launch prepares what it opens (the site logins need the
    // downloader's lists), and a busy machine makes that last: pressed again until the window shows.
    void openAndInspect(const QString &name, const QString &shown) {
        Tree tree;
        const bool opened = KLTestEnvironment::waitUntil(
            [&] {
                KLAccessibilityTree::press(application, name);
                tree = waitForTree(
                    [&shown](const Tree &read) {
                        return KLAccessibilityTree::allTexts(read).contains(shown);
                    },
                    5s);
                return KLAccessibilityTree::allTexts(tree).contains(shown);
            },
            120s);
        ASSERT_TRUE(opened) << name.toStdString() << ": " << shown.toStdString() << outline(tree);
        inspect(name, tree);
    }

    // Presses the control named `name`, records the popover that shows, and presses `choice` in it.
    void popUpAndInspect(const QString &name, const QString &shown, const QString &choice = {}) {
        bool pressed = false;
        const Tree tree = KLAccessibilityTree::pressForPopups(application, name, &pressed, choice);
        ASSERT_TRUE(pressed) << name.toStdString();
        ASSERT_TRUE(KLAccessibilityTree::allTexts(tree).contains(shown))
            << shown.toStdString() << outline(tree);
        inspect(name, tree);
    }

    KLDesktopProgram m_program;
    KLYTDLTestSite m_site;
    QStringList m_faults;
};

} // namespace

TEST_F(AccessibleWindow, EveryControlIsNamedInEveryStateAndWindowAndADownloadsProgressGrows) {
    ASSERT_TRUE(m_program.start(
        {m_site.url(s("done.html")), m_site.url(s("slow.html")), m_site.url(s("gone.html"))}));
    // Measured: ready, or failed already when measuring met the missing video.
    const QRegularExpression settled(s(", (Ready to process|Download/conversion error)"));
    Tree tree = waitForTree(
        [&settled](const Tree &read) { return KLAccessibilityTree::allTexts(read).count(settled) == 3; },
        180s);
    ASSERT_EQ(KLAccessibilityTree::allTexts(tree).count(settled), 3) << outline(tree);
    EXPECT_GE(KLAccessibilityTree::allTexts(tree).count(s(", Ready to process")), 2) << outline(tree);
    inspect(s("rows ready"), tree);
    popUpAndInspect(s("Add"), s("Paste URL"));
    popUpAndInspect(s("Queue actions"), s("Clear all"), s("Process all"));
    double first = -1.0;
    tree = waitForTree(
        [&first](const Tree &read) {
            first = progressOf(read, slowTitle);
            return first > 0.0 && first < 80.0;
        },
        60s);
    ASSERT_TRUE(first > 0.0 && first < 80.0) << outline(tree);
    EXPECT_TRUE(KLAccessibilityTree::allTexts(tree).contains(
        QRegularExpression(s("Landscape test clip[^\n]*, Downloading, \\d+ %"))))
        << outline(tree);
    inspect(s("row downloading"), tree);
    EXPECT_TRUE(KLTestEnvironment::waitUntil(
        [first] { return progressOf(KLAccessibilityTree::read(application), slowTitle) > first; }, 60s));

    const auto ended = [](const Tree &read) {
        const QString texts = KLAccessibilityTree::allTexts(read);
        return texts.contains(QRegularExpression(s("Short test clip[^\n]*, Done"))) &&
               texts.contains(QRegularExpression(s("Vanishing test clip[^\n]*, [^\n]*error: .")));
    };
    tree = waitForTree(ended, 60s);
    ASSERT_TRUE(ended(tree)) << outline(tree);
    inspect(s("rows done and failed"), tree);

    popUpAndInspect(s("Show information"), s("Title:"));
    openAndInspect(s("Preferences..."), s("Audio Codec"));
    // Every pane, reached by its button in the pane bar, which the reader then reads as checked.
    for (const char *pane : {"General", "Conversion", "Video", "Audio", "Video Codec", "Audio Codec"}) {
        ASSERT_TRUE(KLAccessibilityTree::press(application, s(pane))) << pane;
        tree = waitForTree([pane](const Tree &read) {
            const KLAccessibilityTree::Node *button = named(read, s(pane));
            return button != nullptr && button->states.contains(s("checked"));
        });
        ASSERT_NE(named(tree, s(pane)), nullptr) << pane;
        EXPECT_TRUE(named(tree, s(pane))->states.contains(s("checked"))) << pane;
        inspect(s("Preferences, ") + s(pane), tree);
    }
    openAndInspect(s("Password Manager..."), s("Login"));
    openAndInspect(s("Proxy Settings..."), s("Use a proxy for downloads"));

    m_faults.removeDuplicates();
    EXPECT_EQ(m_faults, QStringList()) << m_faults.join(s("\n")).toStdString();
}
