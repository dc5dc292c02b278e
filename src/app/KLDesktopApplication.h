#pragma once

#include "Views/Other/KLAboutWindowController.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>

class KLAppDelegate;
class KLMainWindowController;
class KLSaveDestinationChooser;

// The desktop program as a whole: the application controller, its window, and its place on the session
// bus, where it answers the program's commands and the desktop's requests (org.freedesktop.Application)
// and where a second launch finds it. It launches in the controller's order and, at the end, cancels what
// runs and removes what it made before it lets the program end.
class KLDesktopApplication final : public QObject {
    Q_OBJECT

public:
    static inline const QString serviceName = QStringLiteral("org.kinolark.KinolarkPro");
    static inline const QString objectPath = QStringLiteral("/org/kinolark/KinolarkPro");

    KLDesktopApplication();
    ~KLDesktopApplication() override;

    // Claims the program's name on the session bus and answers there; false when another instance holds
    // it. Without a session bus the program runs on its own and answers nobody.
    bool becomeTheInstance();
    // Builds the services and the window, starts the launch's background stage, then opens the URLs.
    void launch(const QStringList &urls);
    // Cancels everything, waits a moment for the scripts to stop, cleans up and ends the event loop.
    void quit();

    std::shared_ptr<KLAppDelegate> delegate() const { return m_delegate; }
    KLMainWindowController *windowController() const { return m_window.get(); }
    // Help > About, opened once and shown again.
    void showAbout();
    KLAboutWindowController *aboutWindow() const { return m_about; }

private:
    // `cookies`: the session a browser handed over with the page, as JSON (see KLSessionCookies).
    void openURL(const QString &url, const QString &cookies = QString());
    bool activateAction(const QString &name);
    void followDesktopColourSchemeOnFirstLaunch();

    std::shared_ptr<KLMainWindowController> m_window;
    std::shared_ptr<KLAppDelegate> m_delegate;
    std::shared_ptr<KLSaveDestinationChooser> m_chooser;
    QObject m_busObject;
    QPointer<KLAboutWindowController> m_about;
    bool m_quitting = false;
};
