#include "Desktop/KLBrowserPresence.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

QStringList KLBrowserPresence::processNames(KLBrowserGrabber::Browser browser) {
    if (browser == KLBrowserGrabber::Browser::Firefox) {
        return {QStringLiteral("firefox"), QStringLiteral("firefox-esr"), QStringLiteral("firefox-bin")};
    }
    return {QStringLiteral("chrome"), QStringLiteral("chromium"), QStringLiteral("google-chrome"),
            QStringLiteral("chromium-browse")};
}

bool KLBrowserPresence::isRunning(KLBrowserGrabber::Browser browser) {
    const QStringList names = processNames(browser);
    const uint user = ::getuid();
    const QDir processes(QStringLiteral("/proc"));
    for (const QString &entry : processes.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        entry.toInt(&number);
        if (!number || QFileInfo(processes.filePath(entry)).ownerId() != user) {
            continue;
        }
        QFile command(processes.filePath(entry) + QStringLiteral("/comm"));
        if (command.open(QIODevice::ReadOnly) &&
            names.contains(QString::fromUtf8(command.readAll()).trimmed())) {
            return true;
        }
    }
    return false;
}
