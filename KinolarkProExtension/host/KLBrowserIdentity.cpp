#include "KLBrowserIdentity.h"

#include "KLHostConfiguration.h"

#include <QFile>
#include <QFileInfo>

#include <unistd.h>

KLBrowserIdentity::Browser KLBrowserIdentity::fromLaunch(const QStringList &arguments,
                                                         const QString &parentProgram) {
    for (const QString &argument : arguments) {
        if (argument == KLHostConfiguration::chromiumExtensionOrigin) {
            return QFileInfo(parentProgram).fileName().contains(QStringLiteral("chromium"))
                       ? Browser::Chromium
                       : Browser::Chrome;
        }
        if (argument == KLHostConfiguration::firefoxExtensionId) {
            return Browser::Firefox;
        }
    }
    return Browser::Unknown;
}

QString KLBrowserIdentity::parentProgram() {
    const QString process = QStringLiteral("/proc/%1").arg(::getppid());
    const QString program = QFileInfo(process + QStringLiteral("/exe")).symLinkTarget();
    if (!program.isEmpty()) {
        return program;
    }
    // Where /proc keeps the link to the program to itself, the name is still there.
    QFile name(process + QStringLiteral("/comm"));
    return name.open(QIODevice::ReadOnly) ? QString::fromUtf8(name.readAll()).trimmed() : QString();
}

QString KLBrowserIdentity::name(Browser browser) {
    switch (browser) {
    case Browser::Firefox:
        return QStringLiteral("Firefox");
    case Browser::Chrome:
        return QStringLiteral("Chrome");
    case Browser::Chromium:
        return QStringLiteral("Chromium");
    case Browser::Unknown:
        break;
    }
    return {};
}

QString KLBrowserIdentity::busName(Browser browser) {
    const QString browserName = name(browser);
    return browserName.isEmpty() ? QString() : busNamePrefix + browserName;
}
