#include "KLKinolarkRunner.h"

#include "KLTestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

QString KLKinolarkRunner::program() {
    return KLTestEnvironment::binaryDirectory() + QStringLiteral("/bin/kinolark");
}

KLKinolarkRunner::Outcome KLKinolarkRunner::run(const QStringList &arguments) {
    return run(arguments, Options());
}

void KLKinolarkRunner::start(QProcess &process, const QStringList &arguments, const Options &options) {
    process.setProcessEnvironment(options.environment);
    if (!options.workingDirectory.isEmpty()) {
        process.setWorkingDirectory(options.workingDirectory);
    }
    if (options.privateMounts.isEmpty()) {
        process.start(program(), arguments);
    } else {
        // unshare executes the shell in its own place, and the shell the program: unless something is to
        // run afterwards, the process started here is the program itself.
        const QString script = options.afterwards.isEmpty()
                                   ? options.privateMounts + QStringLiteral(" && exec \"$@\"")
                                   : QStringLiteral("%1 || exit 125; \"$@\"; status=$?; %2; exit $status")
                                         .arg(options.privateMounts, options.afterwards);
        process.start(QStringLiteral("unshare"),
                      QStringList{QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"), script,
                                  QStringLiteral("sh"), program()} +
                          arguments);
    }
    process.closeWriteChannel();
}

bool KLKinolarkRunner::privateMountsAvailable() {
    QProcess probe;
    probe.start(QStringLiteral("unshare"), {QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"),
                                            QStringLiteral("mount -t tmpfs tmpfs /mnt")});
    return probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit &&
           probe.exitCode() == 0;
}

KLKinolarkRunner::Outcome KLKinolarkRunner::run(const QStringList &arguments, const Options &options) {
    QProcess process;
    start(process, arguments, options);
    if (options.whileRunning && process.waitForStarted()) {
        options.whileRunning(process);
    }
    if (!process.waitForFinished(options.timeoutMs)) {
        process.kill();
        process.waitForFinished();
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QStringList KLKinolarkRunner::filesIn(const QString &folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

QString KLKinolarkRunner::searchPathWithout(const QStringList &tools, const QString &folder) {
    QDir().mkpath(folder);
    const QStringList directories = qEnvironmentVariable("PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &directory : directories) {
        for (const QFileInfo &entry : QDir(directory).entryInfoList(QDir::Files | QDir::Executable)) {
            const QString link = QDir(folder).filePath(entry.fileName());
            if (!tools.contains(entry.fileName()) && !QFileInfo::exists(link)) {
                QFile::link(entry.absoluteFilePath(), link);
            }
        }
    }
    return folder;
}
