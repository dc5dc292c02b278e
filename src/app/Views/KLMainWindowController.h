#pragma once

#include "App/KLApplicationUI.h"
#include "App/KLBrowserGrabber.h"
#include "Views/Other/KLDragFilesView.h"
#include "Views/Popovers/KLPopover.h"

#include <QObject>
#include <QPointer>
#include <QPropertyAnimation>

#include <functional>
#include <memory>

class KLAppDelegate;
class KLDefaultPreferences;
class KLDefaultPreferencesWindowController;
class KLMainWindow;
class KLStatusAnimation;
class KLTrayIcon;

// The window half of the application controller: it builds the main window, shows what the controller
// tells it (status line, batch actions, the queue's rows), follows the theme and the add-button setting,
// sizes the window to the queue within its screen, runs the two popovers and hands the user's actions (drops,
// paste, cancel, batch actions, menus) to the controller. Main thread only.
class KLMainWindowController final : public QObject,
                                     public KLApplicationUI,
                                     public KLDragFilesViewDelegate,
                                     public std::enable_shared_from_this<KLMainWindowController> {
    Q_OBJECT

public:
    static constexpr int rowHeight = 130;
    static constexpr int scrollingExtra = 30;
    static constexpr int resizeMilliseconds = 180;

    KLMainWindowController();
    ~KLMainWindowController() override;

    void setApplicationDelegate(const std::shared_ptr<KLAppDelegate> &delegate);
    KLMainWindow *window() const { return m_window.get(); }
    KLStatusAnimation *animation() const { return m_animation; }

    void initializeMainWindow();
    bool supportsVibrancy() const;
    QString getImageForAddButton() const;
    int titleBarHeight() const;
    // The window's content height for `entries` rows and the queue size setting.
    int contentHeightFor(int entries) const;
    // The same, at most what the available area of the window's screen holds.
    int windowHeightFor(int entries) const;
    void resizeWindow();
    void onAdd();
    void onBatch();
    void popoverDidClose();
    void onPaste();
    void onUninstall();
    void showPreferences();
    void showPasswordManager();
    void showProxySettings();
    KLDefaultPreferencesWindowController *preferencesWindow() const;
    void bringToFront();
    bool batchPopoverShown() const { return m_batchPopover != nullptr; }
    bool addPopoverShown() const { return m_addPopover != nullptr; }
    KLPopover *batchPopover() const { return m_batchPopover; }
    KLPopover *addPopover() const { return m_addPopover; }
    bool showProcessAll() const { return m_showProcessAll; }
    bool showClearCompleted() const { return m_showClearCompleted; }
    bool showClearAll() const { return m_showClearAll; }

    // What the controller shows.
    void setStatusText(const QString &text) override;
    void setStatusTextVisible(bool visible) override;
    void setSpinning(bool spinning) override;
    void setCancelButtonVisible(bool visible) override;
    void setDragEnabled(bool enabled) override;
    void setLaunchMenusEnabled(bool enabled) override;
    void setPasswordManagerAvailable(bool available) override;
    void setAddButtonVisible(bool visible) override;
    void setBatchActions(bool processAll, bool clearCompleted, bool clearAll) override;
    void setPauseActions(bool pauseAll, bool resumeAll) override;
    void closeBatchPopover() override;
    void closeAddPopover() override;
    void showAlert(const QString &title, const QString &message) override;
    void entryAdded(const std::shared_ptr<KLEntry> &entry) override;
    void entryRemoved(const std::shared_ptr<KLEntry> &entry) override;
    void numberOfEntriesChanged(int count) override;
    void entryChanged(const std::shared_ptr<KLEntry> &entry) override;
    void presentNotification(const QString &title, const QString &text, const QString &soundName) override;
    void playSound(const QString &soundName) override;
    void addressYieldedNothing(const QUrl &url, const std::shared_ptr<KLError> &error) override;
    void terminate() override;

    void dragFilesViewFilesWereDropped(const QStringList &paths) override;
    void dragFilesViewStringWasDragged(const QString &text) override;

Q_SIGNALS:
    // The user closed the window or chose Quit.
    void quitRequested();

private:
    void connectControls();
    // The window follows the theme, the add-button setting and the number of rows from now on.
    void followPreferences(const KLDefaultPreferences &stored);
    // A call of the controller's command for as long as the controller is there.
    std::function<void()> delegateCall(void (KLAppDelegate::*action)()) const;
    // The menu commands offered once the launch has finished.
    QList<QAction *> launchActions() const;
    void applyTheme(bool dark);
    bool darkTheme() const;
    void grab(KLBrowserGrabber::Browser browser);
    void restoreButtonImages();
    std::shared_ptr<KLAppDelegate> delegate() const;
    // The program's settings; nil before the launch.
    std::shared_ptr<KLDefaultPreferences> preferences() const;
    static void showWindow(QWidget *window);
    QRect availableArea() const;
    // Moves the window up as far as needed for `height` to fit under its top edge, if the screen allows.
    void keepOnScreen(int height);
    void tellNothingFound(const QString &cause);
    void dismissFailure();
    void showStatus(const QString &text, const QString &cause);
    static QString innermostReason(const QString &cause);

    std::weak_ptr<KLAppDelegate> m_delegate;
    std::unique_ptr<KLMainWindow> m_window;
    KLStatusAnimation *m_animation = nullptr;
    KLTrayIcon *m_tray = nullptr;
    QPointer<KLPopover> m_batchPopover;
    QPointer<KLPopover> m_addPopover;
    QPointer<KLDefaultPreferencesWindowController> m_preferencesWindow;
    QPointer<QWidget> m_passwordManagerWindow;
    QPointer<QWidget> m_proxySettingsWindow;
    QPropertyAnimation m_resizing;
    // Why the last analysis found nothing, shown with the failure text that follows it.
    QString m_nothingFoundCause;
    // The band shows that the last analysis found nothing, with this cause, until the user's next action:
    // background work that starts and ends meanwhile (an update, say) shows its text and then gives the
    // band back to the failure.
    bool m_failureShown = false;
    QString m_failureCause;
    bool m_dark = false;
    bool m_showProcessAll = false;
    bool m_showClearCompleted = false;
    bool m_showClearAll = false;
    bool m_showPauseAll = false;
    bool m_showResumeAll = false;
    int m_numberOfEntries = 0;
};
