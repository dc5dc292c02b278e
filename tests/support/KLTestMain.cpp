#include "KLTestEnvironment.h"
#include "Utils/KLDispatch.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

// Each test process gets a private home and XDG folders, removed when it ends, and a core application so
// that work posted to the main thread has an event loop to run on.
namespace {

// A death test's child runs this same program again; it keeps its parent's folders rather than making
// (and, as it dies, leaving behind) folders of its own.
bool isDeathTestChild(int argc, char **argv) {
    for (int index = 1; index < argc; ++index) {
        if (QByteArray(argv[index]).startsWith("--gtest_internal_run_death_test")) {
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char **argv) {
    if (isDeathTestChild(argc, argv)) {
        QCoreApplication application(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        return RUN_ALL_TESTS();
    }
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/kinolark-test-XXXXXX"));
    if (!home.isValid()) {
        return 2;
    }
    const QByteArray root = home.path().toUtf8();
    const auto point = [&root](const char *variable, const char *below) {
        const QByteArray value = root + QByteArray(below);
        setenv(variable, value.constData(), 1);
    };
    point("HOME", "");
    point("XDG_DATA_HOME", "/.local/share");
    point("XDG_CONFIG_HOME", "/.config");
    point("XDG_CACHE_HOME", "/.cache");
    point("XDG_RUNTIME_DIR", "/.runtime");
    QDir().mkpath(home.path() + QStringLiteral("/.runtime"));
    QDir().mkpath(home.path() + QStringLiteral("/Desktop"));

    KLTestEnvironment::markProcessTree();
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // Scripts are reaped and tasks finish on threads of their own; let them end before the folders go.
    KLDispatch::waitForBackgroundJobs(std::chrono::seconds(10));
    return result;
}
