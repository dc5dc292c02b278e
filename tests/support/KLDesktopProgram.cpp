#include "KLDesktopProgram.h"

#include "KLTestEnvironment.h"

#include <csignal>

namespace {

// Asked with the bus's own tool, so that the tests' support needs no D-Bus library.
bool programOnTheBus() {
    QProcess ask;
    ask.start(QStringLiteral("dbus-send"),
              {QStringLiteral("--session"), QStringLiteral("--print-reply"),
               QStringLiteral("--dest=org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
               QStringLiteral("org.freedesktop.DBus.NameHasOwner"),
               QStringLiteral("string:org.kinolark.KinolarkPro")});
    return ask.waitForFinished(5000) && ask.readAllStandardOutput().contains("boolean true");
}

} // namespace

KLDesktopProgram::~KLDesktopProgram() {
    quit();
}

bool KLDesktopProgram::prepare() {
    return m_bus.start() && m_display.start();
}

bool KLDesktopProgram::start(const QStringList &arguments, std::chrono::milliseconds timeout) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display.display());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    m_program.setProcessEnvironment(environment);
    m_program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_program.start(KLTestEnvironment::binaryDirectory() + QStringLiteral("/bin/kinolarkpro"), arguments);
    return KLTestEnvironment::waitUntil(
        [this] { return m_program.state() == QProcess::Running && programOnTheBus(); }, timeout);
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
