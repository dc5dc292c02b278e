// What the program says and answers on the session bus: notifications of ended runs and of addresses that
// yielded nothing (to a notification server of the test's own), the program's commands with their errors,
// the single instance, and the file manager it asks to show a file. Everything runs on a private session bus.
#include "App/KLAppDelegate.h"
#include "App/KLEntryTableController.h"
#include "Desktop/KLFileRevealer.h"
#include "KLDesktopApplication.h"
#include "KLPrivateSessionBus.h"
#include "Model/KLEntry/KLEntry.h"
#include "Model/KLTask/KLError.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Model/Preferences/KLSettingsStore.h"
#include "Utils/KLObjectRepository.h"
#include "Views/KLMainWindow.h"
#include "Views/KLMainWindowController.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTest>
#include <QVariantMap>

#include <gtest/gtest.h>

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

KLPrivateSessionBus *privateBus = nullptr;

class PrivateBusEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        privateBus = new KLPrivateSessionBus();
        ASSERT_TRUE(privateBus->start());
    }
    void TearDown() override {
        delete privateBus;
        privateBus = nullptr;
    }
};

const auto *environment = ::testing::AddGlobalTestEnvironment(new PrivateBusEnvironment());

// A notification server that only counts what it is asked to show.
class FakeNotificationServer final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList received;

public Q_SLOTS:
    uint Notify(const QString &, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &, const QVariantMap &, int) {
        received << summary + QStringLiteral(": ") + body;
        return static_cast<uint>(received.size());
    }
};

// Serves an object of the test's own on the session bus, at the path its well-known name spells, while it
// lives.
struct ServedOnTheBus final {
    ServedOnTheBus(QObject *object, const QString &service)
        : name(service),
          path(QLatin1Char('/') + QString(service).replace(QLatin1Char('.'), QLatin1Char('/'))) {
        served =
            bus.registerObject(path, object, QDBusConnection::ExportAllSlots) && bus.registerService(name);
    }
    ~ServedOnTheBus() {
        bus.unregisterService(name);
        bus.unregisterObject(path);
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString name;
    const QString path;
    bool served = false;
};

// A file manager that only records which items it is asked to show.
class FakeFileManager final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QStringList shown;

public Q_SLOTS:
    void ShowItems(const QStringList &uris, const QString &) { shown << uris; }
};

// Calls a method of the program over a second connection, as another process would, while this thread
// keeps serving the program.
QDBusMessage callProgram(const QString &interface, const QString &method, const QVariantList &arguments) {
    QDBusConnection client = QDBusConnection::connectToBus(privateBus->address(), s("test-client"));
    QDBusMessage message = QDBusMessage::createMethodCall(
        KLDesktopApplication::serviceName, KLDesktopApplication::objectPath, interface, method);
    message.setArguments(arguments);
    QDBusPendingCallWatcher watcher(client.asyncCall(message));
    EXPECT_TRUE(QTest::qWaitFor([&watcher] { return watcher.isFinished(); }, 5000));
    return watcher.reply();
}

} // namespace

TEST(DesktopBus, EachRunThatEndsBadlyOrWellNotifiesOnceAndNeverWhileTheWindowIsActive) {
    FakeNotificationServer server;
    const ServedOnTheBus serving(&server, s("org.freedesktop.Notifications"));
    ASSERT_TRUE(serving.served);

    KLDesktopApplication desktop;
    desktop.delegate()->initializeObjectRepository();
    KLMainWindow &window = *desktop.windowController()->window();
    auto entry = std::make_shared<KLEntry>();
    entry->setTitle(s("Holiday"));
    desktop.delegate()->tableController()->addEntry(entry);
    const auto endRun = [&entry](bool failed) {
        Q_EMIT entry->entryHasStartedProcessing();
        entry->setError(failed ? KLError::create(KLError::downloadType, s("Download failed")) : nullptr);
        entry->setCompleted(!failed);
        Q_EMIT entry->entryHasFinishedProcessing();
        Q_EMIT entry->entryHasFinishedProcessing(); // a second report of the same ending
    };

    endRun(true);
    endRun(true);
    endRun(false);
    EXPECT_TRUE(QTest::qWaitFor([&server] { return server.received.size() >= 3; }, 5000));
    QTest::qWait(200);
    EXPECT_EQ(server.received, QStringList({s("Error while processing: Error while processing Holiday"),
                                            s("Error while processing: Error while processing Holiday"),
                                            s("Finished processing: Processing completed for Holiday")}));
    // An address that yielded nothing is told with its reason.
    desktop.windowController()->addressYieldedNothing(
        QUrl(s("http://videos.example/missing")),
        KLError::create(KLError::downloadAnalysisType, s("Download failed"), s("HTTP Error 404: Not Found")));
    desktop.delegate()->setFailedState();
    EXPECT_TRUE(QTest::qWaitFor([&server] { return server.received.size() >= 4; }, 5000));
    EXPECT_EQ(server.received.value(3),
              s("No contents were found...: Download failed (HTTP Error 404: Not Found)"));

    // A run the user ends by dismissing the question where to put the file announces nothing.
    Q_EMIT entry->entryHasStartedProcessing();
    entry->setError(nullptr);
    entry->setCompleted(false);
    Q_EMIT entry->entryHasFinishedProcessing();
    // With the window in front, the row shows it all.
    window.show();
    window.activateWindow();
    ASSERT_TRUE(
        QTest::qWaitFor([] { return QGuiApplication::applicationState() == Qt::ApplicationActive; }, 2000));
    endRun(true);
    QTest::qWait(300);
    EXPECT_EQ(server.received.size(), 4);
    window.hide();
    KLObjectRepository::singleton()->getPreferences()->setSendNotifications(false);
    endRun(true);
    QTest::qWait(300);
    EXPECT_EQ(server.received.size(), 4);
    KLObjectRepository::singleton()->getPreferences()->setSendNotifications(true);
}

TEST(DesktopBus, TheProgramsCommandsAndTheirErrors) {
    KLDesktopApplication desktop;
    desktop.delegate()->initializeObjectRepository();
    ASSERT_TRUE(desktop.becomeTheInstance());
    const QString commands = s("org.kinolark.KinolarkPro");

    QDBusMessage reply = callProgram(commands, s("Analyze"), {});
    EXPECT_EQ(reply.errorName(), s("org.kinolark.KinolarkPro.Error.InvalidParameter"));
    EXPECT_EQ(reply.errorMessage(),
              s("Parameter Error: A Parameter is expected for the verb 'analyze' (You have "
                "to specify what URL you want to analyze)."));
    reply = callProgram(commands, s("Analyze"), {s("   ")});
    EXPECT_EQ(reply.errorName(), s("org.kinolark.KinolarkPro.Error.InvalidParameter"));
    EXPECT_EQ(reply.errorMessage(), s("Parameter Error: Invalid URL."));
    for (const char *method : {"ProcessAll", "PauseAll", "ResumeAll", "ClearAll", "ClearCompleted"}) {
        EXPECT_EQ(callProgram(commands, s(method), {}).type(), QDBusMessage::ReplyMessage) << method;
    }
    EXPECT_EQ(callProgram(s("org.freedesktop.Application"), s("Activate"), {QVariantMap()}).type(),
              QDBusMessage::ReplyMessage);
    EXPECT_TRUE(desktop.windowController()->window()->isVisible());
}

TEST(DesktopBus, ARevealedFileReachesTheFileManagerAsAnEncodedURI) {
    FakeFileManager manager;
    const ServedOnTheBus serving(&manager, s("org.freedesktop.FileManager1"));
    ASSERT_TRUE(serving.served);

    KLFileRevealer::reveal(s("/tmp/Films/Landscape test clip (1) #2 é.mp4"));
    EXPECT_TRUE(QTest::qWaitFor([&manager] { return !manager.shown.isEmpty(); }, 5000));
    EXPECT_EQ(manager.shown,
              QStringList{s("file:///tmp/Films/Landscape%20test%20clip%20(1)%20%232%20%C3%A9.mp4")});
}

TEST(DesktopBus, QuittingWritesTheSettingsChangeStillWaitingForTheEventLoop) {
    KLDesktopApplication desktop;
    desktop.delegate()->initializeObjectRepository();
    KLObjectRepository::singleton()->getPreferences()->setQueueSize(7);
    desktop.quit();
    EXPECT_EQ(KLSettingsStore(KLDefaultPreferences::storeFilePath()).read().value(s("queueSize")).toString(),
              s("7"));
}

#include "TestDesktopBus.moc"
