#include "KLBrowserSession.h"

#include "KLChromiumSession.h"
#include "KLFirefoxSession.h"
#include "KLTestEnvironment.h"

#include <QDir>

#include <chrono>

using namespace std::chrono_literals;

std::unique_ptr<KLBrowserSession> KLBrowserSession::make(Kind kind) {
    if (kind == Kind::Chromium) {
        return std::make_unique<KLChromiumSession>();
    }
    return std::make_unique<KLFirefoxSession>();
}

QString KLBrowserSession::name(Kind kind) {
    return kind == Kind::Chromium ? QStringLiteral("Chromium") : QStringLiteral("Firefox");
}

QString KLBrowserSession::extensionDirectory() {
    return KLTestEnvironment::binaryDirectory() + QStringLiteral("/KinolarkProExtension/unpacked");
}

QString KLBrowserSession::hostProgram() {
    return KLTestEnvironment::binaryDirectory() + QStringLiteral("/bin/kinolark-extension-host");
}

KLBrowserSession::~KLBrowserSession() {
    // The browser's own way to close is gone with the derived class: what is left is ended here.
    m_browser.kill();
    m_browser.waitForFinished(5000);
}

bool KLBrowserSession::start() {
    if (!m_root.isValid()) {
        return fail(QStringLiteral("no temporary folder"));
    }
    return writeHostManifests() && startBrowser();
}

void KLBrowserSession::stop() {
    if (m_browser.state() == QProcess::NotRunning) {
        return;
    }
    closeBrowser();
    m_socket.close();
    if (!KLTestEnvironment::waitUntil([this] { return m_browser.state() == QProcess::NotRunning; }, 15s)) {
        m_browser.kill();
        m_browser.waitForFinished(5000);
    }
}

QProcessEnvironment KLBrowserSession::environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), root());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), root() + QStringLiteral("/.config"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), root() + QStringLiteral("/.cache"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return environment;
}

bool KLBrowserSession::writeHostManifests() {
    QProcess host;
    host.setProcessEnvironment(environment());
    host.start(hostProgram(), {QStringLiteral("--user")});
    if (!host.waitForFinished(10000) || host.exitStatus() != QProcess::NormalExit || host.exitCode() != 0) {
        return fail(QStringLiteral("the host wrote no manifests: %1")
                        .arg(QString::fromUtf8(host.readAllStandardError())));
    }
    return true;
}

QString KLBrowserSession::launch(const QString &program, const QStringList &arguments,
                                 const QRegularExpression &endpoint) {
    m_browser.setProcessEnvironment(environment());
    m_browser.setProcessChannelMode(QProcess::SeparateChannels);
    m_browser.setStandardOutputFile(QProcess::nullDevice());
    m_browser.start(program, arguments);
    // The browser's own messages and those of the host it starts (which end up here too) are kept for a
    // failing test to show; reading them also keeps the pipe from filling and stalling the browser.
    QObject::connect(&m_browser, &QProcess::readyReadStandardError, &m_browser, [this] {
        m_log = QString(m_log + QString::fromUtf8(m_browser.readAllStandardError())).right(64 * 1024);
    });
    QString found;
    KLTestEnvironment::waitUntil(
        [&] {
            found = endpoint.match(m_log).captured(1);
            return !found.isEmpty() || m_browser.state() == QProcess::NotRunning;
        },
        60s);
    if (found.isEmpty()) {
        fail(QStringLiteral("%1 named no automation endpoint: %2").arg(program, m_log.right(2000)));
    }
    return found;
}

bool KLBrowserSession::fail(const QString &error) {
    m_lastError = error;
    return false;
}
