#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

// The side of a second launch: it hands its URLs to the instance that runs (D-Bus activation starts one
// where the desktop has the program's service file), or runs one of the program's commands there.
class KLInstanceClient final {
public:
    static inline const QString serviceName = QStringLiteral("org.kinolark.KinolarkPro");
    static inline const QString objectPath = QStringLiteral("/org/kinolark/KinolarkPro");
    static inline const QString commandsInterface = QStringLiteral("org.kinolark.KinolarkPro");
    static inline const QString applicationInterface = QStringLiteral("org.freedesktop.Application");

    // Opens the URLs in the running instance, or brings it to the front when there are none. The exit
    // status: 0, or 1 when no instance could be reached (the reason is on standard error).
    static int open(const QStringList &urls);
    // Calls a command of org.kinolark.KinolarkPro; a D-Bus error's text goes to standard error. 0 or 1.
    static int call(const QString &method, const QVariantList &arguments = {});

private:
    static int send(const QString &interface, const QString &method, const QVariantList &arguments);
};
