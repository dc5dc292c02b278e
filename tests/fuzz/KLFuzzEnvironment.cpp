#include "KLFuzzEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

// Live as long as the process. They are not static objects: those are destroyed after Qt's own statics,
// which the application's destructor still uses, so they go in an exit handler registered after Qt's.
QTemporaryDir *homeFolder = nullptr;
QCoreApplication *application = nullptr;

void tearDown() {
    delete application;
    application = nullptr;
    delete homeFolder; // removes the home with what the parsers wrote into it
    homeFolder = nullptr;
}

QString storageRoot() {
    const QFileInfo memory(QStringLiteral("/dev/shm"));
    return memory.isDir() && memory.isWritable() ? memory.filePath() : QDir::tempPath();
}

void pointAt(const char *variable, const QString &path) {
    QDir().mkpath(path);
    qputenv(variable, QFile::encodeName(path));
}

} // namespace

void KLFuzzEnvironment::setUp(int *argc, char ***argv) {
    homeFolder = new QTemporaryDir(storageRoot() + QStringLiteral("/kinolark-fuzz-XXXXXX"));
    require(homeFolder->isValid(), "a temporary home can be made");
    const QString root = homeFolder->path();
    pointAt("HOME", root);
    pointAt("XDG_DATA_HOME", root + QStringLiteral("/.local/share"));
    pointAt("XDG_CONFIG_HOME", root + QStringLiteral("/.config"));
    pointAt("XDG_CACHE_HOME", root + QStringLiteral("/.cache"));
    QDir().mkpath(root + QStringLiteral("/Desktop"));
    application = new QCoreApplication(*argc, *argv);
    // Millions of inputs would otherwise print millions of diagnostic lines.
    QLoggingCategory::setFilterRules(QStringLiteral("*.info=false\n*.debug=false\n*.warning=false"));
    std::atexit(tearDown);
}

QString KLFuzzEnvironment::home() {
    return homeFolder->path();
}

void KLFuzzEnvironment::require(bool condition, const char *promise) {
    if (!condition) {
        std::fprintf(stderr, "Broken promise: %s\n", promise);
        std::abort();
    }
}

// Every target shares this set-up; libFuzzer calls it once before the first input.
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    KLFuzzEnvironment::setUp(argc, argv);
    return 0;
}
