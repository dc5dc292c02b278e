#include "KLDesktopApplication.h"

#include "App/KLAppDelegate.h"
#include "App/KLEntryTableController.h"
#include "Desktop/KLBrowserHostGrabber.h"
#include "Desktop/KLDesktopIconProvider.h"
#include "Model/KLEntry/KLEntry.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Scripting/KLApplicationAdaptor.h"
#include "Scripting/KLScriptingAdaptor.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLScriptInstance.h"
#include "Utils/KLServices.h"
#include "Utils/KLSignalWatcher.h"
#include "Views/KLMainWindow.h"
#include "Views/KLMainWindowController.h"
#include "Views/KLSaveDestinationChooser.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFileInfo>
#include <QSessionManager>

#include <chrono>

KLDesktopApplication::KLDesktopApplication()
    : m_window(std::make_shared<KLMainWindowController>()),
      m_delegate(std::make_shared<KLAppDelegate>(m_window)) {
    m_window->setApplicationDelegate(m_delegate);
    m_chooser = std::make_shared<KLSaveDestinationChooser>(m_window->window());
    connect(m_window.get(), &KLMainWindowController::quitRequested, this, &KLDesktopApplication::quit);
    connect(m_window->window()->aboutAction(), &QAction::triggered, this, &KLDesktopApplication::showAbout);
    // The session asks nobody when it ends; the program ends with it as it is told.
    if (auto *application = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(application, &QGuiApplication::commitDataRequest, this,
                [this](QSessionManager &) { m_window->window()->setAskBeforeQuitting(false); });
    }
    // The end of the desktop session (or a kill) ends the program as cleanly as its Quit does.
    auto *signals = new KLSignalWatcher(this);
    connect(signals, &KLSignalWatcher::signalReceived, this, &KLDesktopApplication::quit);
    signals->watch();
}

KLDesktopApplication::~KLDesktopApplication() = default;

bool KLDesktopApplication::becomeTheInstance() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return true;
    }
    new KLScriptingAdaptor(&m_busObject, m_delegate);
    new KLApplicationAdaptor(&m_busObject,
                             {[this] { m_window->bringToFront(); },
                              [this](const QString &url, const QString &cookies) { openURL(url, cookies); },
                              [this](const QString &name) { return activateAction(name); }});
    if (!bus.registerObject(objectPath, &m_busObject)) {
        return true; // nobody can reach this instance, but it works
    }
    if (!bus.registerService(serviceName)) {
        bus.unregisterObject(objectPath);
        return false;
    }
    return true;
}

void KLDesktopApplication::launch(const QStringList &urls) {
    followDesktopColourSchemeOnFirstLaunch();
    m_delegate->services()->iconProvider = &KLDesktopIconProvider::iconForFile;
    m_delegate->services()->destinationChooser = m_chooser;
    m_delegate->setBrowserGrabber(std::make_shared<KLBrowserHostGrabber>());
    m_delegate->doFinishApplicationLaunch(true);
    m_window->initializeMainWindow();
    for (const QString &url : urls) {
        openURL(url);
    }
}

void KLDesktopApplication::showAbout() {
    if (m_about == nullptr) {
        m_about = new KLAboutWindowController(m_window->window());
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void KLDesktopApplication::openURL(const QString &url, const QString &cookies) {
    // A file given by its path is a file URL; anything else goes through the URL handling (which waits
    // for the launch to finish).
    const bool path = !url.contains(QStringLiteral("://")) && QFileInfo::exists(url);
    m_delegate->handleGetURLEvent(
        path ? QUrl::fromLocalFile(QFileInfo(url).absoluteFilePath()).toString() : url, cookies);
}

bool KLDesktopApplication::activateAction(const QString &name) {
    if (name == QLatin1String("process-all")) {
        m_delegate->processAll();
    } else if (name == QLatin1String("clear-all")) {
        m_delegate->clearAll();
    } else if (name == QLatin1String("clear-completed")) {
        m_delegate->clearCompleted();
    } else if (name == QLatin1String("quit")) {
        QMetaObject::invokeMethod(this, &KLDesktopApplication::quit, Qt::QueuedConnection);
    } else {
        return false;
    }
    return true;
}

void KLDesktopApplication::followDesktopColourSchemeOnFirstLaunch() {
    if (QFileInfo::exists(KLDefaultPreferences::storeFilePath())) {
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    QDBusMessage read = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Settings"), QStringLiteral("Read"));
    read << QStringLiteral("org.freedesktop.appearance") << QStringLiteral("color-scheme");
    // The portal answers at once or not at all; the window must not wait long for it.
    const QDBusMessage reply = bus.call(read, QDBus::Block, 500);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return;
    }
    // The value comes wrapped in a variant inside a variant; 1 means the user prefers dark.
    QVariant value = reply.arguments().first();
    while (value.canConvert<QDBusVariant>()) {
        value = value.value<QDBusVariant>().variant();
    }
    if (value.toUInt() == 1) {
        KLDefaultPreferences preferences;
        preferences.setTheme(QStringLiteral("dark"));
    }
}

void KLDesktopApplication::quit() {
    if (m_quitting) {
        return;
    }
    m_quitting = true;
    m_window->window()->hide();
    m_delegate->applicationWillTerminate();
    m_delegate->doCancel();
    for (const auto &entry : m_delegate->tableController()->getEntries()) {
        entry->cancel();
    }
    // The downloader's update is upkeep: a package index that never answers must not hold up the end.
    m_delegate->endDownloaderMaintenance(std::chrono::seconds(1));
    // The background jobs end, some of them handing a last change to this thread, and the stopped scripts
    // exit: it keeps serving both while it waits.
    KLDispatch::waitForBackgroundJobs(std::chrono::seconds(8));
    KLScriptInstance::waitForAllToExit(std::chrono::milliseconds(300));
    // A change whose write is still waiting for the event loop would otherwise be lost with it.
    if (const auto preferences = m_delegate->services()->preferences) {
        preferences->flush();
    }
    KLKinolarkUtils::removeScratchDirectory();
    QCoreApplication::quit();
}
