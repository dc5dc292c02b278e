#include "KLTestRunner.h"

#include "KLTestEnvironment.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLScriptInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

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

int KLTestRunner::run(int argc, char **argv, const ApplicationMaker &makeApplication) {
    if (isDeathTestChild(argc, argv)) {
        const std::unique_ptr<QCoreApplication> application = makeApplication(argc, argv);
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
    QFile::setPermissions(home.path() + QStringLiteral("/.runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir().mkpath(home.path() + QStringLiteral("/Desktop"));

    KLTestEnvironment::markProcessTree();
    const std::unique_ptr<QCoreApplication> application = makeApplication(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // Background jobs end and stopped scripts exit before the folders go.
    KLDispatch::waitForBackgroundJobs(std::chrono::seconds(10));
    KLScriptInstance::waitForAllToExit(std::chrono::seconds(10));
    return result;
}
