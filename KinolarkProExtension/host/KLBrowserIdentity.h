#pragma once

#include <QString>
#include <QStringList>

// Which browser started this host. Each browser gets a bus name of its own, so that the application asks
// the one the user chose. Chromium and Chrome pass the extension's origin; Firefox passes the manifest's
// path and the extension's id; anything else is no browser this host serves. Chromium and Chrome are told
// apart by the program that started the host.
class KLBrowserIdentity final {
public:
    enum class Browser { Unknown, Firefox, Chrome, Chromium };

    static Browser fromLaunch(const QStringList &arguments, const QString &parentProgram);
    // The program of this process's parent, as /proc shows it.
    static QString parentProgram();

    static QString name(Browser browser);
    // org.kinolark.KinolarkPro.Browser.<name>; empty for an unknown browser.
    static QString busName(Browser browser);

    static inline const QString busNamePrefix = QStringLiteral("org.kinolark.KinolarkPro.Browser.");
    static inline const QString objectPath = QStringLiteral("/org/kinolark/KinolarkPro/Browser");
};
