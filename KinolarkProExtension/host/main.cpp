// kinolark-extension-host: the native-messaging host of KinolarkPro's browser extension. The browsers start
// it with their extension's origin or id as argument; `kinolark-extension-host --user` writes the manifests
// that let the current user's browsers find it.
#include "KLBrowserIdentity.h"
#include "KLExtensionHost.h"
#include "KLHostConfiguration.h"
#include "KLHostManifests.h"
#include "KLNativeMessageChannel.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <csignal>
#include <cstdio>

#include <unistd.h>

namespace {

int writeUserManifests() {
    const KLHostManifests::Written written =
        KLHostManifests::writeForUser(QFileInfo(QCoreApplication::applicationFilePath()).absoluteFilePath());
    for (const QString &path : written.paths) {
        std::printf("%s\n", qPrintable(path));
    }
    if (!written.error.isEmpty()) {
        std::fprintf(stderr, "kinolark-extension-host: %s\n", qPrintable(written.error));
        return 1;
    }
    return 0;
}

int usage(FILE *stream, int status) {
    std::fprintf(
        stream,
        "usage: kinolark-extension-host --user\n"
        "Writes the manifests that let your Chromium, Google Chrome and Firefox start this host for the\n"
        "KinolarkPro extension. The browsers start the host themselves.\n");
    return status;
}

} // namespace

int main(int argc, char **argv) {
    // A browser that closes the pipe must not end the host in the middle of a write.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kinolark-extension-host"));
    QCoreApplication::setApplicationVersion(KLHostConfiguration::version);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments == QStringList{QStringLiteral("--user")}) {
        return writeUserManifests();
    }
    if (arguments.contains(QStringLiteral("--help"))) {
        return usage(stdout, 0);
    }
    if (!arguments.isEmpty() && arguments.first().startsWith(QStringLiteral("--"))) {
        return usage(stderr, 2);
    }
    KLNativeMessageChannel channel(STDIN_FILENO, STDOUT_FILENO);
    KLExtensionHost host(channel,
                         KLBrowserIdentity::fromLaunch(arguments, KLBrowserIdentity::parentProgram()));
    channel.start();
    return QCoreApplication::exec();
}
