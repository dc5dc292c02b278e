// The window as a screen reader reads it, from the accessibility bus: every control a user can act on has
// a name, a row is read as its title and state, and a download's progress is a value that grows.
#include "KLAccessibilityTree.h"
#include "KLDesktopProgram.h"
#include "KLTestEnvironment.h"
#include "KLYTDLTestSite.h"
#include "Model/Preferences/KLDefaultPreferences.h"

#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

const QString application = s("KinolarkPro");

// What a user acts on, as the tree names the roles.
const QStringList interactiveRoles = {s("push button"), s("toggle button"), s("check box"), s("radio button"),
                                      s("combo box"),   s("spin button"),   s("slider"),    s("text"),
                                      s("menu item"),   s("page tab")};

// Interactive nodes without a name, each as "role (description)".
QStringList unnamed(const QList<KLAccessibilityTree::Node> &tree) {
    QStringList found;
    for (const KLAccessibilityTree::Node &node : tree) {
        if (interactiveRoles.contains(node.role) && node.name.trimmed().isEmpty()) {
            found << node.role + s(" (") + node.description + s(")");
        }
    }
    return found;
}

double progressValue() {
    const QList<KLAccessibilityTree::Node> tree = KLAccessibilityTree::read(application);
    const KLAccessibilityTree::Node *bar = KLAccessibilityTree::first(tree, s("progress bar"));
    return bar != nullptr ? bar->value : -1.0;
}

} // namespace

TEST(AccessibleWindow, EveryControlIsNamedAndADownloadsProgressIsAValueThatGrows) {
    KLDesktopProgram program;
    ASSERT_TRUE(program.prepare({s("1280x800"), true}));
    KLYTDLTestSite site;
    ASSERT_TRUE(site.addMedia(s("clip.mp4"), KLMediaFixtures::Clip360p));
    site.addPage(s("page.html"), s("Landscape test clip"), {s("clip.mp4")});
    ASSERT_TRUE(site.start());
    site.server().throttle(s("/clip.mp4"), 48 * 1024);
    QFile::remove(KLDefaultPreferences::storeFilePath());
    KLTestEnvironment::storeSettings({{s("automaticallyStartDownloading"), s("yes")}});
    ASSERT_TRUE(program.start({site.url(s("page.html"))}));

    double first = -1.0;
    ASSERT_TRUE(KLTestEnvironment::waitUntil(
        [&first] {
            first = progressValue();
            return first > 0.0 && first < 80.0;
        },
        120s))
        << KLAccessibilityTree::allTexts(KLAccessibilityTree::read(application)).toStdString();
    EXPECT_TRUE(KLTestEnvironment::waitUntil([first] { return progressValue() > first; }, 60s));

    const QList<KLAccessibilityTree::Node> tree = KLAccessibilityTree::read(application);
    EXPECT_EQ(unnamed(tree), QStringList()) << unnamed(tree).join(s(", ")).toStdString();
    // The row reads as one line: its title, what it does, how far it is.
    const QString texts = KLAccessibilityTree::allTexts(tree);
    EXPECT_TRUE(texts.contains(QRegularExpression(s("Landscape test clip[^\n]*, Downloading, \\d+ %"))))
        << texts.toStdString();
    for (const char *name : {"Add", "Queue actions", "Cancel", "Show information"}) {
        EXPECT_TRUE(texts.contains(s(name))) << name;
    }
    site.server().clearBehaviour(s("/clip.mp4"));
}
