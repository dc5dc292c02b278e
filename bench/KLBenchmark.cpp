// Wall time of kinolark against the raw tools (yt-dlp and ffmpeg, or ffprobe and ffmpeg) doing the same
// work, as ratios of medians over several runs, with kinolark's own CPU time per entry; and the CPU that
// kinolark spends while a hundred entries wait behind a stalled download. Everything is served on
// 127.0.0.1.
//
//   kinolark_bench [RUNS] [FILES]        (defaults: 5 runs, 50 files)
#include "KLMediaFixtures.h"
#include "KLTestEnvironment.h"
#include "KLYTDLTestSite.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <unistd.h>
#include <vector>

namespace {

QTextStream out(stdout);

QString kinolark() {
    return KLTestEnvironment::binaryDirectory() + QStringLiteral("/bin/kinolark");
}

// The CPU seconds a process has used itself (all its threads, none of its children) so far.
double ownCpuSeconds(qint64 process) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(process));
    if (!stat.open(QIODevice::ReadOnly)) {
        return -1.0;
    }
    const QByteArray text = stat.readAll();
    // The fields after the command name, which is in parentheses and may hold blanks.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13) {
        return -1.0;
    }
    const double ticks = static_cast<double>(::sysconf(_SC_CLK_TCK));
    return (fields.at(11).toDouble() + fields.at(12).toDouble()) / ticks; // utime and stime
}

struct Outcome {
    bool ok = false;
    double seconds = 0.0;
    double cpuSeconds = 0.0; // of the program itself, as last seen before it ended
};

Outcome run(const QString &program, const QStringList &arguments) {
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    Outcome outcome;
    const qint64 pid = process.processId();
    while (!process.waitForFinished(20)) {
        outcome.cpuSeconds = std::max(outcome.cpuSeconds, ownCpuSeconds(pid));
    }
    outcome.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    outcome.ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return outcome;
}

Outcome runAll(const std::vector<std::pair<QString, QStringList>> &commands) {
    Outcome total{true};
    for (const auto &[program, arguments] : commands) {
        const Outcome one = run(program, arguments);
        total.ok = total.ok && one.ok;
        total.seconds += one.seconds;
        total.cpuSeconds += one.cpuSeconds;
    }
    return total;
}

QString capture(const QString &program, const QStringList &arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(-1);
    return QString::fromUtf8(process.readAllStandardOutput());
}

std::vector<Outcome> measure(int runs, const std::function<void()> &prepare,
                             const std::function<Outcome()> &work) {
    std::vector<Outcome> outcomes;
    for (int index = 0; index < runs; ++index) {
        prepare();
        const Outcome outcome = work();
        if (!outcome.ok) {
            out << "  (a run failed)" << Qt::endl;
        }
        outcomes.push_back(outcome);
    }
    return outcomes;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

std::vector<double> field(const std::vector<Outcome> &outcomes, double Outcome::*member) {
    std::vector<double> values;
    for (const Outcome &outcome : outcomes) {
        values.push_back(outcome.*member);
    }
    return values;
}

void report(const QString &name, const std::vector<Outcome> &ours, const std::vector<Outcome> &raw,
            int entries, double goal) {
    const std::vector<double> ourSeconds = field(ours, &Outcome::seconds);
    const std::vector<double> rawSeconds = field(raw, &Outcome::seconds);
    const auto [rawMin, rawMax] = std::minmax_element(rawSeconds.begin(), rawSeconds.end());
    out << name << Qt::endl;
    out << QString::asprintf("  kinolark   median %7.2f s  (min %.2f, max %.2f)\n", median(ourSeconds),
                             *std::min_element(ourSeconds.begin(), ourSeconds.end()),
                             *std::max_element(ourSeconds.begin(), ourSeconds.end()));
    out << QString::asprintf("  raw tools  median %7.2f s  (min %.2f, max %.2f)\n", median(rawSeconds),
                             *rawMin, *rawMax);
    out << QString::asprintf(
        "  ratio kinolark / raw: %.2f  (goal %.2f; noise: raw spread %.0f%% of its median)\n",
        median(ourSeconds) / median(rawSeconds), goal, 100.0 * (*rawMax - *rawMin) / median(rawSeconds));
    out << QString::asprintf("  kinolark's own CPU: %.3f s per entry (counted in steps of 0.01 s)\n",
                             median(field(ours, &Outcome::cpuSeconds)) / entries);
    out.flush();
}

QStringList conversionParameters(const QString &file) {
    const QString text = capture(kinolark(), {QStringLiteral("--print-ffmpeg-params"), file});
    QStringList words = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                            .value(0)
                            .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (QString &word : words) {
        word.remove(QLatin1Char('\''));
    }
    return words;
}

// An 8-second 1080p clip with sound, as a camera or a site would serve it.
QString makeClip(const QString &folder) {
    const QString path = QDir(folder).filePath(QStringLiteral("clip-1080p-8s.mp4"));
    capture(QStringLiteral("ffmpeg"), {QStringLiteral("-v"),
                                       QStringLiteral("error"),
                                       QStringLiteral("-y"),
                                       QStringLiteral("-f"),
                                       QStringLiteral("lavfi"),
                                       QStringLiteral("-i"),
                                       QStringLiteral("testsrc2=size=1920x1080:rate=30:duration=8"),
                                       QStringLiteral("-f"),
                                       QStringLiteral("lavfi"),
                                       QStringLiteral("-i"),
                                       QStringLiteral("sine=frequency=440:duration=8"),
                                       QStringLiteral("-c:v"),
                                       QStringLiteral("libx264"),
                                       QStringLiteral("-preset"),
                                       QStringLiteral("veryfast"),
                                       QStringLiteral("-b:v"),
                                       QStringLiteral("4M"),
                                       QStringLiteral("-c:a"),
                                       QStringLiteral("aac"),
                                       QStringLiteral("-shortest"),
                                       path});
    return path;
}

std::pair<QString, QStringList> rawDownload(const QString &page, const QString &item, const QString &target) {
    return {
        QStringLiteral("yt-dlp"),
        {QStringLiteral("-q"), QStringLiteral("--playlist-items"), item, QStringLiteral("-o"), target, page}};
}

std::pair<QString, QStringList> rawConversion(const QString &input, const QStringList &parameters,
                                              const QString &output) {
    return {QStringLiteral("ffmpeg"), QStringList{QStringLiteral("-v"), QStringLiteral("error"),
                                                  QStringLiteral("-y"), QStringLiteral("-i"), input} +
                                          parameters + QStringList{output}};
}

// The share of one core that kinolark uses while the entries of a page wait behind a download that
// stalls, over a few seconds once they are all waiting.
void measureIdleCpu(KLYTDLTestSite &site, const QString &clip, const QString &output, int waiting) {
    QStringList media;
    for (int index = 0; index <= waiting; ++index) {
        media << QStringLiteral("w%1.mp4").arg(index);
        site.addFile(media.last(), clip);
        // Measuring fetches less than this; the download that goes on from there stalls.
        site.server().stallAfter(media.last(), 1024 * 1024);
    }
    site.addPage(QStringLiteral("waiting.html"), QStringLiteral("Waiting"), media);
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(kinolark(), {QStringLiteral("--json"), QStringLiteral("--downloads"), QStringLiteral("1"),
                               site.url(QStringLiteral("waiting.html")), QStringLiteral("-o"), output});
    process.waitForStarted();
    QHash<QString, QString> states;
    QElapsedTimer timer;
    timer.start();
    const auto waitingCount = [&states] {
        return std::count(states.cbegin(), states.cend(), QStringLiteral("Waiting to download..."));
    };
    while (waitingCount() < waiting && timer.elapsed() < 600000 && process.state() == QProcess::Running) {
        process.waitForReadyRead(1000);
        while (process.canReadLine()) {
            const QJsonObject change = QJsonDocument::fromJson(process.readLine()).object();
            states.insert(change.value(QStringLiteral("url")).toString(),
                          change.value(QStringLiteral("state")).toString());
        }
    }
    QThread::sleep(2); // the last of the preparation winds down
    const double before = ownCpuSeconds(process.processId());
    constexpr int seconds = 10;
    QThread::sleep(seconds);
    const double after = ownCpuSeconds(process.processId());
    out << "Idle: " << waitingCount() << " of " << states.size()
        << " entries waiting behind a stalled download" << Qt::endl;
    out << QString::asprintf("  kinolark's CPU: %.2f%% of a core over %d s (goal under 1%%)\n",
                             100.0 * (after - before) / seconds, seconds);
    out.flush();
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    site.server().releaseStalls();
    process.waitForFinished(60000);
}

// The parts of the benchmark, on one test site and one output folder.
class Bench {
public:
    Bench(KLYTDLTestSite &site, const QString &work, int runs)
        : m_site(site), m_work(work), m_output(QDir(work).filePath(QStringLiteral("out"))), m_runs(runs) {}

    void clean() const {
        QDir(m_output).removeRecursively();
        QDir().mkpath(m_output);
    }

    // A first run of each program, untimed, so that no measured run pays for cold caches.
    void warmUp() const {
        clean();
        run(kinolark(), {m_site.url(QStringLiteral("page.html")), QStringLiteral("-o"), m_output});
    }

    // A page of one or more videos (each the same clip), against yt-dlp fetching each video of the page
    // and ffmpeg converting it, one after another.
    void videoPage(const QString &heading, const QString &page, int videos, double goal,
                   const QStringList &parameters) const {
        out << heading << "; " << m_runs << " runs" << Qt::endl;
        const auto ours = measureOurs(m_site.url(page));
        const auto raw = timed([&] {
            std::vector<std::pair<QString, QStringList>> commands;
            for (int item = 1; item <= videos; ++item) {
                const QString downloaded = in(QStringLiteral("d%1.mp4").arg(item));
                commands.push_back(rawDownload(m_site.url(page), QString::number(item), downloaded));
                commands.push_back(
                    rawConversion(downloaded, parameters, in(QStringLiteral("o%1.mov").arg(item))));
            }
            return runAll(commands);
        });
        report(heading, ours, raw, videos, goal);
    }

    void folder(int files) const {
        const QString folder = QDir(m_work).filePath(QStringLiteral("folder"));
        QDir().mkpath(folder);
        for (int index = 0; index < files; ++index) {
            QFile::copy(KLMediaFixtures::path(KLMediaFixtures::Clip360p),
                        QDir(folder).filePath(QStringLiteral("f%1.mp4").arg(index)));
        }
        const QStringList parameters = conversionParameters(KLMediaFixtures::path(KLMediaFixtures::Clip360p));
        out << "A folder of " << files << " short files, converted; " << m_runs << " runs" << Qt::endl;
        const auto ours = measureOurs(folder);
        const auto raw = timed([&] {
            std::vector<std::pair<QString, QStringList>> commands;
            for (const QString &name : QDir(folder).entryList(QDir::Files)) {
                const QString input = QDir(folder).filePath(name);
                commands.push_back(
                    {QStringLiteral("ffprobe"),
                     {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_streams"),
                      QStringLiteral("-show_format"), input}});
                commands.push_back(rawConversion(input, parameters, in(name + QStringLiteral(".mov"))));
            }
            return runAll(commands);
        });
        report(QStringLiteral("Folder of short files"), ours, raw, files, 1.1);
    }

    void idle(const QString &clip) const {
        clean();
        measureIdleCpu(m_site, clip, m_output, 100);
    }

private:
    QString in(const QString &name) const { return QDir(m_output).filePath(name); }

    // KINOLARK_BENCH_WRAPPER (e.g. "strace -f -tt -o /tmp/trace") runs kinolark under another program.
    std::vector<Outcome> measureOurs(const QString &source) const {
        QStringList command = QProcess::splitCommand(qEnvironmentVariable("KINOLARK_BENCH_WRAPPER"));
        command << kinolark() << source << QStringLiteral("-o") << m_output;
        const QString program = command.takeFirst();
        return timed([&] { return run(program, command); });
    }

    // The runs of some work, each into an empty output folder.
    std::vector<Outcome> timed(const std::function<Outcome()> &work) const {
        return measure(
            m_runs, [this] { clean(); }, work);
    }

    KLYTDLTestSite &m_site;
    QString m_work;
    QString m_output;
    int m_runs;
};

} // namespace

int main(int argc, char **argv) {
    QTemporaryDir home;
    const QByteArray root = home.path().toUtf8();
    setenv("HOME", root.constData(), 1);
    const QByteArray data = root + QByteArray("/data");
    const QByteArray config = root + QByteArray("/config");
    setenv("XDG_DATA_HOME", data.constData(), 1);
    setenv("XDG_CONFIG_HOME", config.constData(), 1);
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const int files = argc > 2 ? std::max(1, atoi(argv[2])) : 50;
    // KINOLARK_BENCH_PARTS (e.g. "four,idle") picks some of the parts: page, four, folder, idle.
    const QStringList parts =
        qEnvironmentVariable("KINOLARK_BENCH_PARTS", QStringLiteral("page,four,folder,idle"))
            .split(QLatin1Char(','));

    QTemporaryDir work;
    const QString clip = makeClip(work.path());
    KLYTDLTestSite site;
    QStringList four;
    for (int index = 1; index <= 4; ++index) {
        four << QStringLiteral("c%1.mp4").arg(index);
        site.addFile(four.last(), clip);
    }
    site.addFile(QStringLiteral("clip.mp4"), clip);
    site.addPage(QStringLiteral("page.html"), QStringLiteral("Bench"), {QStringLiteral("clip.mp4")});
    site.addPage(QStringLiteral("four.html"), QStringLiteral("Four"), four);
    if (!site.start()) {
        out << "cannot start the test web server" << Qt::endl;
        return 1;
    }
    const Bench bench(site, work.path(), runs);
    const QStringList parameters = conversionParameters(clip);
    bench.warmUp();
    if (parts.contains(QStringLiteral("page"))) {
        bench.videoPage(QStringLiteral("One 8-second 1080p video on a page, converted"),
                        QStringLiteral("page.html"), 1, 1.1, parameters);
    }
    if (parts.contains(QStringLiteral("four"))) {
        bench.videoPage(
            QStringLiteral("A page of four such videos, converted (raw: the tools one after another)"),
            QStringLiteral("four.html"), 4, 0.9, parameters);
    }
    if (parts.contains(QStringLiteral("folder"))) {
        bench.folder(files);
    }
    if (parts.contains(QStringLiteral("idle"))) {
        bench.idle(clip);
    }
    return 0;
}
