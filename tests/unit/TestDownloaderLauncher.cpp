// The downloader launcher runs yt-dlp's entry script in a way of its own (leaving without the interpreter's
// shutdown): whatever the program does at its end must still reach its caller as a normal exit would.

#include "KLTestEnvironment.h"

#include "Utils/KLResources.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A stand-in yt_dlp package whose entry point ends in the way its first argument names.
const char *const standInPackage = R"(import atexit, sys, threading

def main():
    way = sys.argv[1]
    print("started as " + sys.argv[0].rsplit("/", 1)[-1])
    if way == "return":
        for _ in range(100000):
            sys.stdout.write("line\n")
    elif way == "status":
        raise SystemExit(3)
    elif way == "value":
        return 5
    elif way == "message":
        raise SystemExit("ERROR: no such video")
    elif way == "thread":
        threading.Thread(target=lambda: (threading.Event().wait(0.3), print("thread done"))).start()
    elif way == "handler":
        atexit.register(lambda: print("handler ran", flush=True))
)";

// The entry script as pip writes it.
const char *const entryScript = "#!/usr/bin/python3\n"
                                "import re\n"
                                "import sys\n"
                                "from yt_dlp import main\n"
                                "if __name__ == '__main__':\n"
                                "    sys.exit(main())\n";

struct Outcome {
    int status = -1;
    QString output;
    QString errors;
};

class TestDownloaderLauncher : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        ASSERT_TRUE(QDir(m_root.path()).mkpath(QStringLiteral("modules/yt_dlp")));
        ASSERT_TRUE(QDir(m_root.path()).mkpath(QStringLiteral("bin")));
        ASSERT_TRUE(QFile::copy(KLResources::pathForResource(QStringLiteral("ytdl"), QString()),
                                m_root.filePath(QStringLiteral("ytdl"))));
        KLTestEnvironment::writeScript(m_root.filePath(QStringLiteral("modules/yt_dlp")),
                                       QStringLiteral("__init__.py"), QString::fromUtf8(standInPackage));
    }
    void installProgram(const QString &body) {
        KLTestEnvironment::writeScript(m_root.filePath(QStringLiteral("bin")), QStringLiteral("yt-dlp"),
                                       body);
    }
    Outcome run(const QString &way) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PATH"),
                           m_root.filePath(QStringLiteral("bin")) + QStringLiteral(":/usr/bin:/bin"));
        environment.insert(QStringLiteral("PYTHONPATH"), m_root.filePath(QStringLiteral("modules")));
        environment.remove(QStringLiteral("PYTHONUNBUFFERED")); // output is held back, as in most homes
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(m_root.path());
        process.start(m_root.filePath(QStringLiteral("ytdl")), {way});
        EXPECT_TRUE(process.waitForFinished(30000));
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QTemporaryDir m_root;
};

} // namespace

TEST_F(TestDownloaderLauncher, AnEntryScriptEndsAsANormalExitWould) {
    installProgram(QString::fromUtf8(entryScript));
    // A module in the working folder is not what runs.
    KLTestEnvironment::writeScript(m_root.path(), QStringLiteral("yt_dlp.py"),
                                   QStringLiteral("raise SystemExit(9)\n"));
    struct Case {
        const char *way;
        int status;
        const char *output;
        const char *errors;
        qsizetype lines = -1; // of the output, where every one must arrive
    };
    const Case cases[] = {
        {"return", 0, "line\nline\n", "", 100001},
        {"status", 3, "started as yt-dlp", ""},
        {"value", 5, "started as yt-dlp", ""},
        {"message", 1, "started as yt-dlp", "ERROR: no such video\n"},
        {"thread", 0, "thread done", ""},
        {"handler", 0, "handler ran", ""},
    };
    for (const Case &test : cases) {
        const Outcome result = run(QString::fromLatin1(test.way));
        EXPECT_EQ(result.status, test.status) << test.way << result.errors.toStdString();
        EXPECT_TRUE(result.output.contains(QString::fromLatin1(test.output))) << test.way;
        EXPECT_EQ(result.errors.right(qsizetype(strlen(test.errors))), QString::fromLatin1(test.errors))
            << test.way;
        if (test.lines >= 0) {
            EXPECT_EQ(result.output.count(QLatin1Char('\n')), test.lines) << test.way;
        }
    }
}

TEST_F(TestDownloaderLauncher, AnyOtherProgramRunsAsItIs) {
    // A wrapper that mentions Python and the entry point is still no entry script.
    installProgram(QStringLiteral("#!/bin/bash\n: 'calls python3 with\nfrom yt_dlp import main\n'\n"
                                  "echo \"shell program: $*\"\nexit 4\n"));
    const Outcome shell = run(QStringLiteral("status"));
    EXPECT_EQ(shell.status, 4);
    EXPECT_EQ(shell.output, QStringLiteral("shell program: status\n"));

    // An entry script whose interpreter cannot import the entry point is left to fail in its own words.
    installProgram(
        QString::fromUtf8(entryScript).replace(QStringLiteral("python3\n"), QStringLiteral("python3 -S\n")));
    ASSERT_TRUE(QDir(m_root.filePath(QStringLiteral("modules"))).removeRecursively());
    const Outcome missing = run(QStringLiteral("status"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.errors.contains(QStringLiteral("No module named 'yt_dlp'")));
}
