#include "KLDesktopProgram.h"

#include "KLTestEnvironment.h"

#include <QStandardPaths>

#include <csignal>
#include <cstring>

namespace {

// Asked with the bus's own tool, so that the tests' support needs no D-Bus library.
bool onTheBus(const QString &name) {
    QProcess ask;
    ask.start(QStringLiteral("dbus-send"),
              {QStringLiteral("--session"), QStringLiteral("--print-reply"),
               QStringLiteral("--dest=org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
               QStringLiteral("org.freedesktop.DBus.NameHasOwner"), QStringLiteral("string:") + name});
    return ask.waitForFinished(5000) && ask.readAllStandardOutput().contains("boolean true");
}

// The threads' stacks of a running process, without the debugger's chatter.
QString stacksOf(qint64 processId) {
    const QString debugger = QStandardPaths::findExecutable(QStringLiteral("gdb"));
    if (debugger.isEmpty()) {
        return QStringLiteral("(no gdb here to show its threads)");
    }
    QProcess attach;
    attach.start(debugger,
                 {QStringLiteral("-p"), QString::number(processId), QStringLiteral("-batch"),
                  QStringLiteral("-nx"), QStringLiteral("-ex"), QStringLiteral("thread apply all bt 25")});
    if (!attach.waitForFinished(60000)) {
        attach.kill();
        attach.waitForFinished();
    }
    QStringList stacks;
    for (const QString &line :
         QString::fromLocal8Bit(attach.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1String("Thread "))) {
            stacks << line;
        }
    }
    return stacks.join(QLatin1Char('\n'));
}

} // namespace

KLDesktopProgram::~KLDesktopProgram() {
    quit();
    KLTestEnvironment::stopServer(m_accessibilityBus);
}

bool KLDesktopProgram::prepare(const Desktop &desktop) {
    m_accessible = desktop.accessible;
    return m_bus.start() && m_display.start(desktop.screenSize) && (!m_accessible || startAccessibilityBus());
}

bool KLDesktopProgram::startAccessibilityBus() {
    // The launcher gives the session its accessibility bus (org.a11y.Bus), where applications publish their
    // trees and screen readers read them; it ends that bus when it ends.
    m_accessibilityBus.start(QStringLiteral("/usr/libexec/at-spi-bus-launcher"),
                             {QStringLiteral("--launch-immediately")});
    return m_accessibilityBus.waitForStarted(5000) &&
           KLTestEnvironment::waitUntil([] { return onTheBus(QStringLiteral("org.a11y.Bus")); },
                                        std::chrono::seconds(10));
}

bool KLDesktopProgram::start(const QStringList &arguments, std::chrono::milliseconds timeout,
                             const QMap<QString, QString> &added) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display.display());
    if (m_accessible) {
        environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    }
    for (auto value = added.cbegin(); value != added.cend(); ++value) {
        environment.insert(value.key(), value.value());
    }
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    KLTestEnvironment::removeProxyVariables(environment);
    m_program.setProcessEnvironment(environment);
    m_program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_program.start(KLTestEnvironment::binaryDirectory() + QStringLiteral("/bin/kinolarkpro"), arguments);
    return KLTestEnvironment::waitUntil(
        [this] {
            return m_program.state() == QProcess::Running &&
                   onTheBus(QStringLiteral("org.kinolark.KinolarkPro"));
        },
        timeout);
}

QString KLDesktopProgram::whereItStands() {
    if (m_program.state() != QProcess::NotRunning) {
        return QStringLiteral("The program runs; its threads:\n") + stacksOf(m_program.processId());
    }
    // Killed by a signal, the exit code is the signal's number.
    if (m_program.exitStatus() == QProcess::CrashExit) {
        return QStringLiteral("The program was killed by signal %1 (%2)")
            .arg(m_program.exitCode())
            .arg(QString::fromLocal8Bit(::strsignal(m_program.exitCode())));
    }
    return QStringLiteral("The program ended by itself with status %1").arg(m_program.exitCode());
}

void KLDesktopProgram::quit() {
    if (m_program.state() == QProcess::NotRunning) {
        return;
    }
    ::kill(static_cast<pid_t>(m_program.processId()), SIGTERM);
    if (!m_program.waitForFinished(20000)) {
        m_program.kill();
        m_program.waitForFinished();
    }
}
