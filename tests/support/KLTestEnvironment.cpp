#include "KLTestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <unistd.h>

QString KLTestEnvironment::homeDirectory() { return QDir::homePath(); }

QString KLTestEnvironment::sourceDirectory() { return QStringLiteral(KINOLARK_TEST_SOURCE_DIR); }

QString KLTestEnvironment::binaryDirectory() { return QStringLiteral(KINOLARK_TEST_BINARY_DIR); }

bool KLTestEnvironment::waitUntil(const std::function<bool()> &condition, std::chrono::milliseconds timeout) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeout.count()) {
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

QString KLTestEnvironment::readFile(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QString();
    }
    return QString::fromUtf8(file.readAll());
}

void KLTestEnvironment::writeFile(const QString &path, const QByteArray &contents) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(contents);
    }
}

bool KLTestEnvironment::processGroupAlive(pid_t group) { return ::kill(-group, 0) == 0 || errno == EPERM; }

int KLTestEnvironment::zombieChildren() {
    int zombies = 0;
    const QString self = QString::number(::getpid());
    QDirIterator processes(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (processes.hasNext()) {
        const QString stat = readFile(processes.next() + QStringLiteral("/stat"));
        // pid (comm) state ppid ...: the command may hold blanks and parentheses, so read after the last ')'.
        const qsizetype close = stat.lastIndexOf(QLatin1Char(')'));
        if (close < 0) {
            continue;
        }
        const QStringList fields = stat.mid(close + 2).split(QLatin1Char(' '));
        if (fields.size() > 1 && fields.at(0) == QStringLiteral("Z") && fields.at(1) == self) {
            ++zombies;
        }
    }
    return zombies;
}
