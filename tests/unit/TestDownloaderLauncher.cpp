// The downloader launcher runs yt-dlp's entry script in a way of its own (leaving without the interpreter's
// shutdown), and can keep it imported in a server that forks every run: whatever the program does at its end
// must still reach its caller as a normal exit would, and a served run must see what its caller gave it and
// stop with its caller.

#include "KLTestEnvironment.h"

#include "Utils/KLResources.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <unistd.h>

namespace {

// A stand-in yt_dlp package whose entry point ends in the way its first argument names.
// Each import of the package is counted in the file IMPORTS names.
const char *const standInPackage = R"(import atexit, os, sys, threading, time

with open(os.environ["IMPORTS"], "a") as imports:
    imports.write("imported\n")

def main():
    way = sys.argv[1]
    print("started as " + sys.argv[0].rsplit("/", 1)[-1], flush=True)
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
    elif way == "caller":
        with open("/dev/fd/3") as given:
            print(os.getcwd(), os.environ.get("PROBE"), given.read(), os.getpgrp())
    elif way == "wait":
        print("waiting", os.getpid(), flush=True)
        time.sleep(60)

class YoutubeDL:
    def __init__(self, params):
        pass
    __enter__ = get_info_extractor = lambda self, *key: self
    __exit__ = lambda self, *exception: False

    def _extract_embeds(self, url, webpage):
        open(os.environ["IMPORTS"] + ".prepared", "w").close()
        return []
)";

// Extractors that take a while to get ready: 6 s in all.
const char *const standInExtractors = R"(import time

class Extractor:
    suitable = classmethod(lambda cls, url: time.sleep(0.02))
    extract_from_webpage = classmethod(lambda cls, *arguments: [])

gen_extractor_classes = lambda: [Extractor] * 300
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
    void TearDown() override {
        if (m_server.state() != QProcess::NotRunning) {
            m_server.kill();
            m_server.waitForFinished();
        }
    }
    QProcessEnvironment environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PATH"),
                           m_root.filePath(QStringLiteral("bin")) + QStringLiteral(":/usr/bin:/bin"));
        environment.insert(QStringLiteral("PYTHONPATH"), m_root.filePath(QStringLiteral("modules")));
        environment.insert(QStringLiteral("IMPORTS"), m_root.filePath(QStringLiteral("imports")));
        environment.remove(QStringLiteral("PYTHONUNBUFFERED")); // output is held back, as in most homes
        if (!m_serverName.isEmpty()) {
            environment.insert(QStringLiteral("KINOLARK_DOWNLOADER_SERVER"), m_serverName);
        }
        return environment;
    }
    // Keeps the program imported in a server, as the application does, until the test ends.
    void serve(bool prepares = false) {
        m_serverName = QStringLiteral("kinolark-test-%1-%2").arg(::getpid()).arg(quintptr(this));
        QProcessEnvironment served = environment();
        served.insert(QStringLiteral("KINOLARK_DOWNLOADER_SERVE"), QStringLiteral("yes"));
        served.insert(QStringLiteral("KINOLARK_DOWNLOADER_PREPARE"),
                      prepares ? QStringLiteral("yes") : QStringLiteral("no"));
        m_server.setProcessEnvironment(served);
        m_server.start(m_root.filePath(QStringLiteral("ytdl")), {});
        ASSERT_TRUE(m_server.waitForStarted());
        ASSERT_TRUE(
            KLTestEnvironment::waitUntil([this] { return imports() == 1; }, std::chrono::seconds(10)));
    }
    int imports() const {
        QFile file(m_root.filePath(QStringLiteral("imports")));
        return file.open(QIODevice::ReadOnly) ? int(file.readAll().count('\n')) : 0;
    }
    void installProgram(const QString &body) {
        KLTestEnvironment::writeScript(m_root.filePath(QStringLiteral("bin")), QStringLiteral("yt-dlp"),
                                       body);
    }
    Outcome run(const QString &way) {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.setWorkingDirectory(m_root.path());
        process.start(m_root.filePath(QStringLiteral("ytdl")), {way});
        EXPECT_TRUE(process.waitForFinished(30000));
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QTemporaryDir m_root;
    QString m_serverName;
    QProcess m_server;
};

// Whether a process still runs (a zombie has ended).
bool processRuns(pid_t pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1) != "Z";
}

} // namespace

class TestServedLauncher : public TestDownloaderLauncher, public ::testing::WithParamInterface<bool> {};

TEST_P(TestServedLauncher, AnEntryScriptEndsAsANormalExitWould) {
    installProgram(QString::fromUtf8(entryScript));
    if (GetParam()) {
        serve();
    }
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
    // Served, the program was imported once, by the server.
    EXPECT_EQ(imports(), GetParam() ? 1 : int(std::size(cases)));
}

INSTANTIATE_TEST_SUITE_P(AloneAndServed, TestServedLauncher, ::testing::Bool());

TEST_F(TestDownloaderLauncher, AServedRunHasItsCallersSettingsAndStopsWithIt) {
    installProgram(QString::fromUtf8(entryScript));
    serve();

    // The working folder, the environment and descriptor 3 (where the proxy's settings come) are the
    // caller's, and the run is in the caller's process group.
    QProcess caller;
    QProcessEnvironment environment = this->environment();
    environment.insert(QStringLiteral("PROBE"), QStringLiteral("value"));
    caller.setProcessEnvironment(environment);
    caller.setWorkingDirectory(m_root.filePath(QStringLiteral("bin")));
    caller.setChildProcessModifier([] { ::setpgid(0, 0); });
    caller.start(QStringLiteral("/bin/bash"),
                 {QStringLiteral("-c"), QStringLiteral("exec 3<<<given; exec \"$0\" caller"),
                  m_root.filePath(QStringLiteral("ytdl"))});
    ASSERT_TRUE(caller.waitForStarted());
    const qint64 group = caller.processId();
    ASSERT_TRUE(caller.waitForFinished(30000));
    EXPECT_EQ(caller.exitCode(), 0) << caller.readAllStandardError().toStdString();
    const QString seen = QString::fromUtf8(caller.readAllStandardOutput());
    EXPECT_TRUE(seen.contains(m_root.filePath(QStringLiteral("bin")) +
                              QStringLiteral(" value given\n %1").arg(group)))
        << seen.toStdString();

    // Stopped with its group, as the application stops a script, or killed alone, the run ends too; its
    // command line is its own.
    for (const bool wholeGroup : {true, false}) {
        QProcess waiting;
        waiting.setProcessEnvironment(this->environment());
        waiting.setChildProcessModifier([] { ::setpgid(0, 0); });
        waiting.start(m_root.filePath(QStringLiteral("ytdl")), {QStringLiteral("wait")});
        QByteArray said;
        ASSERT_TRUE(KLTestEnvironment::waitUntil(
            [&] { return (said += waiting.readAllStandardOutput()).contains("waiting"); },
            std::chrono::seconds(30)));
        const pid_t served = said.mid(said.indexOf("waiting")).split(' ').value(1).trimmed().toInt();
        ASSERT_GT(served, 0);
        QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(served));
        ASSERT_TRUE(commandLine.open(QIODevice::ReadOnly));
        EXPECT_TRUE(commandLine.readAll().startsWith(
            (m_root.filePath(QStringLiteral("bin/yt-dlp")) + QStringLiteral("\0wait")).toUtf8()));
        const pid_t client = static_cast<pid_t>(waiting.processId());
        ::kill(wholeGroup ? -client : client, wholeGroup ? SIGTERM : SIGKILL);
        EXPECT_TRUE(waiting.waitForFinished(10000));
        EXPECT_TRUE(
            KLTestEnvironment::waitUntil([served] { return !processRuns(served); }, std::chrono::seconds(10)))
            << (wholeGroup ? "group stopped" : "caller killed");
    }
    EXPECT_EQ(imports(), 1);
}

TEST_F(TestDownloaderLauncher, APreparingServerAnswersBetweenItsSteps) {
    installProgram(QString::fromUtf8(entryScript));
    KLTestEnvironment::writeScript(m_root.filePath(QStringLiteral("modules/yt_dlp")),
                                   QStringLiteral("extractor.py"), QString::fromUtf8(standInExtractors));
    serve(true);
    const QString prepared = m_root.filePath(QStringLiteral("imports.prepared"));
    const Outcome result = run(QStringLiteral("status"));
    EXPECT_EQ(result.status, 3) << result.errors.toStdString();
    EXPECT_FALSE(QFile::exists(prepared)) << "the run waited for the whole preparation";
    EXPECT_TRUE(
        KLTestEnvironment::waitUntil([&] { return QFile::exists(prepared); }, std::chrono::seconds(60)));
    EXPECT_EQ(imports(), 1);
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
