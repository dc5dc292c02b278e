// Draws the main window in the states a user sees it in and saves each as a PNG, for a person to look at:
// empty, busy, and a queue of entries in every state, in both themes. Run it once per screen scale
// (QT_SCALE_FACTOR); it never touches the user's own settings.
#include "App/KLAppDelegate.h"
#include "App/KLEntryTableController.h"
#include "Model/KLEntry/KLEntry.h"
#include "Model/KLTask/KLError.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLKeptDownloads.h"
#include "Utils/KLObjectRepository.h"
#include "Views/KLMainWindow.h"
#include "Views/KLMainWindowController.h"
#include "Views/KLStatusAnimation.h"
#include "Views/Other/KLAboutWindowController.h"
#include "Views/Other/KLHoverButton.h"
#include "Views/Popovers/KLPopover.h"
#include "Views/Preferences/Controllers/KLDefaultPreferencesWindowController.h"
#include "Views/Preferences/Controllers/KLPreferencesViewController.h"
#include "Views/Table/KLEntryTableView.h"
#include "Views/Table/KLEntryViewController.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

// A thumbnail of a made-up video: a sky, a sun and hills in the given hue.
QImage thumbnail(int hue) {
    QImage image(400, 225, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 225);
    sky.setColorAt(0, QColor::fromHsv(hue, 120, 250));
    sky.setColorAt(1, QColor::fromHsv((hue + 30) % 360, 90, 200));
    painter.fillRect(image.rect(), sky);
    painter.setBrush(QColor(255, 240, 200));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(300, 70), 34, 34);
    painter.setBrush(QColor::fromHsv((hue + 120) % 360, 140, 120));
    painter.drawEllipse(QPointF(90, 260), 220, 110);
    painter.setBrush(QColor::fromHsv((hue + 140) % 360, 160, 90));
    painter.drawEllipse(QPointF(330, 280), 230, 120);
    return image;
}

std::shared_ptr<KLEntry> entry(const char *title, const char *url, int hue) {
    auto made = std::make_shared<KLEntry>();
    made->setTitle(s(title));
    made->setOriginalURL(QUrl(s(url)));
    made->setRepresentativeImage(thumbnail(hue));
    made->setState(KLEntry::readyState);
    return made;
}

QList<std::shared_ptr<KLEntry>> queueInEveryState() {
    auto ready = entry("Sunset over the bay", "https://videos.example/watch/sunset", 20);
    auto downloading = entry("Mountain trail, part 2", "https://videos.example/watch/trail-2", 200);
    downloading->setProcessing(true);
    downloading->setState(s("Downloading.."));
    downloading->setCompletionFactor(0.42);
    downloading->setEta(s("00:37"));
    auto converting = entry("Birthday party", "/home/user/Videos/birthday.mkv", 300);
    converting->setLocal(true);
    converting->setProcessing(true);
    converting->setState(s("Converting (pass 2)..."));
    converting->setCompletionFactor(0.71);
    converting->setEta(s("00:12"));
    auto done = entry("City lights timelapse", "https://videos.example/watch/city", 240);
    done->setCompleted(true);
    done->setState(KLEntry::doneState);
    done->setOutputFile(s("/home/user/Desktop/City lights timelapse.mov"));
    auto failed = entry("Concert (live)", "https://videos.example/watch/concert", 0);
    failed->setError(KLError::create(KLError::downloadType,
                                     s("Download failed for URL: https://videos.example/watch/concert"),
                                     s("HTTP Error 403: Forbidden")));
    failed->setState(KLEntry::failedState);
    auto unplaced = entry("Harbour at dawn, seen from the lighthouse on the northern pier, with the fishing "
                          "boats coming home",
                          "https://videos.example/watch/harbour#kinolark-item=3", 160);
    unplaced->setError(KLError::create(KLError::downloadType, KLEntry::copyErrorDescription,
                                       s("Permission denied; the file is kept in /home/user/.local/share/"
                                         "KinolarkPro/Not placed/Harbour at dawn.mov")));
    unplaced->setState(KLEntry::copyFailedState);
    return {ready, failed, unplaced, downloading, converting, done};
}

class Studio final {
public:
    Studio() : m_controller(std::make_shared<KLMainWindowController>()) {
        m_delegate = std::make_shared<KLAppDelegate>(m_controller);
        m_delegate->initializeObjectRepository();
        // The queue tells the controller of its size, which sizes the window.
        m_delegate->tableController()->setDelegate(m_delegate);
        m_controller->setApplicationDelegate(m_delegate);
        m_controller->initializeMainWindow();
    }

    KLMainWindowController &controller() { return *m_controller; }
    KLAppDelegate &delegate() { return *m_delegate; }
    void settle() {
        QTest::qWait(350); // posted changes and the height's animation
    }
    bool save(const QString &folder, const QString &name) {
        settle();
        const QString file = QDir(folder).filePath(name + s(".png"));
        const bool saved = m_controller->window()->grab().save(file);
        fprintf(stdout, "%s %s\n", saved ? "wrote" : "could not write", qPrintable(file));
        return saved;
    }

private:
    std::shared_ptr<KLMainWindowController> m_controller;
    std::shared_ptr<KLAppDelegate> m_delegate;
};

// Every pane the preferences window offers at every settings level.
bool drawPreferences(const QString &folder, const QString &theme, const QString &scale) {
    auto preferences = KLObjectRepository::singleton()->getPreferences();
    bool saved = true;
    for (const KLSettingsLevel level : KLPreferences::listSettingsLevels()) {
        preferences->setSettingsLevel(level);
        KLDefaultPreferencesWindowController window(preferences, std::make_shared<KLKeptDownloads>());
        window.show();
        for (const KLPreferencesViewController::Pane pane : window.preferencesView()->panes()) {
            window.preferencesView()->showPane(pane);
            QTest::qWait(100);
            const QString name = s("preferences-%1-%2-%3-%4.png")
                                     .arg(KLPreferences::settingsLevelToString(level).toLower(),
                                          KLPreferencesViewController::paneTitle(pane).toLower().replace(
                                              QLatin1Char(' '), QLatin1Char('-')),
                                          theme, scale);
            saved = window.grab().save(QDir(folder).filePath(name)) && saved;
        }
        if (level == KLSettingsLevel::Expert) {
            // Where the keyboard is: the first field of the conversion pane.
            window.activateWindow();
            saved = QTest::qWaitForWindowActive(&window) && saved;
            window.preferencesView()->showPane(KLPreferencesViewController::Pane::Conversion,
                                               KLPreferencesViewController::Focus::IntoPane);
            QTest::qWait(100);
            const QString name = s("focus-preferences-field-%1-%2.png").arg(theme, scale);
            saved = window.grab().save(QDir(folder).filePath(name)) && saved;
        }
    }
    preferences->setSettingsLevel(KLSettingsLevel::Beginner);
    return saved;
}

// The information of the failed entries (the second and third rows), the band after an address that gave
// nothing, and the About window.
bool drawFailures(Studio &studio, const QString &folder, const QString &suffix) {
    bool saved = true;
    KLEntryTableView *table = studio.controller().window()->mainTableView();
    for (int index : {1, 2}) {
        KLEntryViewController *row = table->rowAt(index);
        row->onDisplayInformation();
        studio.settle();
        if (auto *popover = row->findChild<KLPopover *>()) {
            const QString name = s("information-failed-%1-%2.png").arg(index).arg(suffix);
            saved = popover->grab().save(QDir(folder).filePath(name)) && saved;
            popover->close();
        }
    }
    studio.controller().addressYieldedNothing(
        QUrl(s("https://videos.example/news/today")),
        KLError::create(KLError::downloadAnalysisType,
                        s("Could not get target link from source URL: https://videos.example/news/today"),
                        s("Unsupported URL: https://videos.example/news/today")));
    studio.delegate().setFailedState();
    saved = studio.save(folder, s("nothing-found-%1").arg(suffix)) && saved;
    KLAboutWindowController about(studio.controller().window());
    about.show();
    // The tools answer with their versions.
    const bool answered = QTest::qWaitFor(
        [&about] { return !about.downloaderVersionLabel()->text().endsWith(s("...")); }, 15000);
    const QString name = s("about-%1.png").arg(suffix);
    return about.grab().save(QDir(folder).filePath(name)) && answered && saved;
}

bool drawTheme(const QString &folder, const QString &theme, const QString &scale) {
    Studio studio;
    auto preferences = KLObjectRepository::singleton()->getPreferences();
    preferences->setTheme(theme);
    preferences->setQueueSize(5);
    studio.controller().setSpinning(false);
    studio.controller().setStatusTextVisible(false);
    bool saved = studio.save(folder, s("empty-%1-%2").arg(theme, scale));

    KLStatusAnimation &animation = *studio.controller().animation();
    studio.controller().setSpinning(true);
    studio.controller().setStatusTextVisible(true);
    studio.controller().setStatusText(s("Analyzing URL: https://videos.example/watch/trail-2"));
    studio.controller().setCancelButtonVisible(true);
    for (int tick = 0; tick < 20; ++tick) {
        animation.updateStaticFrame();
    }
    saved = studio.save(folder, s("busy-%1-%2").arg(theme, scale)) && saved;

    studio.controller().setSpinning(false);
    studio.controller().setStatusTextVisible(false);
    studio.controller().setCancelButtonVisible(false);
    for (const auto &queued : queueInEveryState()) {
        studio.delegate().tableController()->addEntry(queued);
    }
    studio.controller().setBatchActions(true, true, true);
    studio.controller().setPauseActions(true, true);
    saved = studio.save(folder, s("queue-%1-%2").arg(theme, scale)) && saved;
    // Where the keyboard is: the first row's main button.
    studio.controller().window()->activateWindow();
    saved = QTest::qWaitForWindowActive(studio.controller().window()) && saved;
    studio.controller().window()->mainTableView()->rowAt(0)->downloadButton()->setFocus(Qt::TabFocusReason);
    saved = studio.save(folder, s("focus-row-button-%1-%2").arg(theme, scale)) && saved;
    studio.controller().onBatch();
    studio.settle();
    if (QWidget *popover = studio.controller().batchPopover()) {
        saved = popover->grab().save(QDir(folder).filePath(s("batch-popover-%1-%2.png").arg(theme, scale))) &&
                saved;
    }
    studio.controller().closeBatchPopover();
    saved = drawFailures(studio, folder, theme + QLatin1Char('-') + scale) && saved;
    return drawPreferences(folder, theme, scale) && saved;
}

} // namespace

int main(int argc, char **argv) {
    // Settings and working files go to a folder of this run's own.
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + s("/.config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + s("/.local/share")).toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const QString folder = arguments.size() > 1 ? arguments.at(1) : QDir::currentPath();
    QDir().mkpath(folder);
    const QString scale = s("x%1").arg(qEnvironmentVariable("QT_SCALE_FACTOR", s("1")));
    bool saved = true;
    for (const QString &theme : {s("light"), s("dark")}) {
        saved = drawTheme(folder, theme, scale) && saved;
    }
    return saved ? 0 : 1;
}
