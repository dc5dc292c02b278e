#include "App/KLDownloaderServer.h"

#include "Utils/KLScriptInstance.h"
#include "Utils/KLScriptManager.h"

#include <QFile>
#include <QUuid>

namespace {

// What only a launcher that serves holds.
constexpr QByteArrayView serveMark = "KINOLARK_DOWNLOADER_SERVE=";
constexpr qint64 largestLauncher = 1 << 20;

bool launcherServes(const QString &launcher) {
    QFile file(launcher);
    return file.size() < largestLauncher && file.open(QIODevice::ReadOnly) &&
           file.readAll().contains(serveMark);
}

} // namespace

KLDownloaderServer::~KLDownloaderServer() {
    stop();
}

void KLDownloaderServer::start(const QString &launcher, bool prepares) {
    if (m_server != nullptr || !launcherServes(launcher)) {
        return;
    }
    // An abstract socket's name: nothing in the file system to leave behind when the program is killed.
    // Another user could take the name first, but each end checks the other's user before trusting it.
    const QByteArray name = "kinolark-downloader-" + QUuid::createUuid().toByteArray(QUuid::Id128);
    qputenv(serverVariable, name);
    m_server = KLScriptManager().runScriptAsyncWithCommand(
        QStringLiteral("KINOLARK_DOWNLOADER_SERVE=yes KINOLARK_DOWNLOADER_PREPARE=%1 exec %2")
            .arg(prepares ? QStringLiteral("yes") : QStringLiteral("no"),
                 KLScriptManager::quoteArgument(launcher)),
        nullptr, [name] {
            // Gone before its time: later runs no longer ask it.
            if (qgetenv(serverVariable) == name) {
                qunsetenv(serverVariable);
            }
        });
}

void KLDownloaderServer::stop() {
    qunsetenv(serverVariable);
    if (const std::shared_ptr<KLScriptInstance> server = std::exchange(m_server, nullptr)) {
        server->terminate();
    }
}
