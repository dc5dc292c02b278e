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

KLKinolarkRunner::Outcome KLKinolarkRunner::run(const QStringList &arguments, const Options &options) {
    QProcess process;
    process.setProcessEnvironment(options.environment);
    if (!options.workingDirectory.isEmpty()) {
        process.setWorkingDirectory(options.workingDirectory);
    }
    process.start(program(), arguments);
    process.closeWriteChannel();
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
