#include "KLTestEnvironment.h"

#include "Model/Preferences/KLDefaultPreferences.h"
#include "Model/Preferences/KLSettingsStore.h"
#include "Utils/KLKeptDownloads.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLScriptManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSettings>
#include <QThread>
#include <QUuid>

#include <algorithm>

#include <cerrno>
#include <csignal>
#include <unistd.h>

QString KLTestEnvironment::homeDirectory() {
    return QDir::homePath();
}

QString KLTestEnvironment::sourceDirectory() {
    return QStringLiteral(KINOLARK_TEST_SOURCE_DIR);
}

QString KLTestEnvironment::binaryDirectory() {
    return QStringLiteral(KINOLARK_TEST_BINARY_DIR);
}

QString KLTestEnvironment::probeStreams(const QString &path) {
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"),
                  {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                   QStringLiteral("stream=codec_name,codec_type,codec_tag_string,width,height"),
                   QStringLiteral("-of"), QStringLiteral("csv=p=0"), path});
    ffprobe.waitForFinished(30000);
    return QString::fromUtf8(ffprobe.readAllStandardOutput())
        .trimmed()
        .replace(QLatin1Char('\n'), QLatin1Char(';'));
}

void KLTestEnvironment::runPostedWork() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

bool KLTestEnvironment::runUntilDone(const std::function<void(std::function<void()> done)> &work,
                                     std::chrono::milliseconds timeout) {
    const auto called = std::make_shared<bool>(false);
    work([called] { *called = true; });
    return waitUntil([called] { return *called; }, timeout);
}

bool KLTestEnvironment::waitUntil(const std::function<bool()> &condition, std::chrono::milliseconds timeout) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeout.count()) {
            // A loaded machine may not have let this thread run at all meanwhile: what was posted by then
            // has its turn before the last look.
            runPostedWork();
            return condition();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

QString KLTestEnvironment::writeScript(const QString &folder, const QString &name, const QString &body) {
    const QString path = QDir(folder).filePath(name);
    writeFile(path, body.toUtf8());
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

QString KLTestEnvironment::runScript(const QString &command) {
    KLScriptManager manager;
    const auto instance = manager.runScriptAsyncWithCommand(command, nullptr, nullptr);
    waitUntil([&instance] { return instance->finished(); }, std::chrono::seconds(120));
    return instance->output();
}

QString KLTestEnvironment::readFile(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QString();
    }
    return QString::fromUtf8(file.readAll());
}

void KLTestEnvironment::storeSettings(const QMap<QString, QString> &values) {
    KLSettingsStore(KLDefaultPreferences::storeFilePath()).write([&values](QSettings &settings) {
        settings.setValue(KLDefaultPreferences::storeMarkerKey, QStringLiteral("yes"));
        for (auto value = values.cbegin(); value != values.cend(); ++value) {
            settings.setValue(value.key(), value.value());
        }
    });
}

void KLTestEnvironment::removeProxyVariables(QProcessEnvironment &environment) {
    for (const char *variable : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy",
                                 "ALL_PROXY", "no_proxy", "NO_PROXY"}) {
        environment.remove(QString::fromLatin1(variable));
    }
}

void KLTestEnvironment::writeFile(const QString &path, const QByteArray &contents) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(contents);
    }
}

namespace {

// The fields of /proc/PID/stat after the command, which may itself hold blanks and parentheses.
QStringList statFields(const QString &processFolder) {
    const QString stat = KLTestEnvironment::readFile(processFolder + QStringLiteral("/stat"));
    const qsizetype close = stat.lastIndexOf(QLatin1Char(')'));
    return close < 0 ? QStringList() : stat.mid(close + 2).split(QLatin1Char(' '));
}

template <class Visit> void forEachProcess(Visit visit) {
    QDirIterator processes(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (processes.hasNext()) {
        const QStringList fields = statFields(processes.next());
        // state ppid pgrp ...
        if (fields.size() > 2) {
            visit(fields.at(0), fields.at(1).toInt(), fields.at(2).toInt());
        }
    }
}

} // namespace

namespace {

const char markVariable[] = "KINOLARK_TEST_PROCESS_TREE";

QByteArray readProcessFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void KLTestEnvironment::markProcessTree() {
    const QByteArray mark = QByteArray::number(static_cast<qint64>(::getpid())) + '-' +
                            QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
    setenv(markVariable, mark.constData(), 1);
}

int KLTestEnvironment::startedProcessesRunning(const QStringList &names) {
    return static_cast<int>(startedProcesses(names).size());
}

QList<KLTestEnvironment::StartedProcess> KLTestEnvironment::startedProcesses(const QStringList &names) {
    const QByteArray mark = QByteArray(markVariable) + '=' + qgetenv(markVariable);
    QList<StartedProcess> found;
    QDirIterator processes(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (processes.hasNext()) {
        const QString folder = processes.next();
        const int pid = QFileInfo(folder).fileName().toInt();
        if (pid == static_cast<int>(::getpid())) {
            continue;
        }
        const QStringList fields = statFields(folder);
        if (fields.size() < 3 || fields.at(0) == QStringLiteral("Z")) {
            continue;
        }
        if (!readProcessFile(folder + QStringLiteral("/environ")).split('\0').contains(mark)) {
            continue;
        }
        QByteArray command = readProcessFile(folder + QStringLiteral("/cmdline"));
        command.replace('\0', ' ');
        const QString line = QString::fromUtf8(command);
        if (std::any_of(names.begin(), names.end(),
                        [&line](const QString &name) { return line.contains(name); })) {
            found.append({static_cast<pid_t>(pid), static_cast<pid_t>(fields.at(2).toInt()), line});
        }
    }
    return found;
}

QStringList KLTestEnvironment::scratchFolders() {
    return QDir(KLKinolarkUtils::getDownloadsDirectory())
        .entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)
        .filter(QRegularExpression(QStringLiteral("^(process-|\\.new-)")));
}

qint64 KLTestEnvironment::keptPartialSize() {
    QDirIterator files(KLKeptDownloads().root(), {QStringLiteral("download.part")}, QDir::Files,
                       QDirIterator::Subdirectories);
    return files.hasNext() ? files.nextFileInfo().size() : 0;
}

bool KLTestEnvironment::processGroupAlive(pid_t group) {
    // Zombies do not count: an orphan's exit is collected by whoever adopted it, which may take a while.
    bool alive = false;
    forEachProcess([&alive, group](const QString &state, int, int processGroup) {
        alive = alive || (processGroup == group && state != QStringLiteral("Z"));
    });
    return alive;
}

int KLTestEnvironment::zombieChildren() {
    int zombies = 0;
    const int self = static_cast<int>(::getpid());
    forEachProcess([&zombies, self](const QString &state, int parent, int) {
        zombies += state == QStringLiteral("Z") && parent == self ? 1 : 0;
    });
    return zombies;
}

QString KLTestEnvironment::startServer(QProcess &server, const QString &program,
                                       const QStringList &arguments) {
    server.start(program, arguments);
    if (!server.waitForStarted(5000)) {
        return QString();
    }
    QElapsedTimer waited;
    waited.start();
    while (!server.canReadLine() && waited.elapsed() < 10000 && server.state() == QProcess::Running) {
        server.waitForReadyRead(100);
    }
    return QString::fromUtf8(server.readLine()).trimmed();
}

void KLTestEnvironment::stopServer(QProcess &server) {
    if (server.state() == QProcess::NotRunning) {
        return;
    }
    server.terminate();
    if (!server.waitForFinished(3000)) {
        server.kill();
        server.waitForFinished();
    }
}
