// Wall time of kinolark against the raw tools (yt-dlp and ffmpeg, or ffprobe and ffmpeg) doing the same
// work, as ratios of medians over several runs, with kinolark's own CPU time per entry; a first run (empty
// data folder) against the runs after it; and the CPU that kinolark spends while a hundred entries wait
// behind a stalled download. Everything is served on 127.0.0.1. The contenders of a part take turns, run
// after run, so that whatever else the machine does in those minutes falls on all of them alike.
//
// A page has two baselines: what a person types (one yt-dlp for the whole page, then ffmpeg for each file
// it fetched, one after another), and one yt-dlp per video of the page (--playlist-items N, each of which
// reads the page again) with its ffmpeg.
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

Outcome run(const QString &program, const QStringList &arguments,
            const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment()) {
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.setProcessEnvironment(environment);
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

// One contender of a part: its name, its work, and what its runs came to.
struct Contender {
    QString name;
    std::function<Outcome()> work;
    std::vector<Outcome> outcomes;

    double medianSeconds() const { return median(field(outcomes, &Outcome::seconds)); }
};

// Runs every contender once per round, in turn, each after `prepare`.
void alternateRuns(int runs, const std::function<void()> &prepare, std::vector<Contender> &contenders) {
    for (int round = 0; round < runs; ++round) {
        for (Contender &contender : contenders) {
            prepare();
            const Outcome outcome = contender.work();
            if (!outcome.ok) {
                out << "  (a run of " << contender.name << " failed)" << Qt::endl;
            }
            contender.outcomes.push_back(outcome);
        }
    }
}

void printTimes(const Contender &contender) {
    const std::vector<double> seconds = field(contender.outcomes, &Outcome::seconds);
    const auto [fastest, slowest] = std::minmax_element(seconds.begin(), seconds.end());
    out << QString::asprintf("  %-26s median %7.2f s  (min %.2f, max %.2f; spread %.0f%% of the median)\n",
                             qPrintable(contender.name), contender.medianSeconds(), *fastest, *slowest,
                             100.0 * (*slowest - *fastest) / contender.medianSeconds());
}

// The first contender is kinolark; each of the others is a baseline, with the goal of the ratio against it
// (none when the goal is 0).
void report(const QString &name, const std::vector<Contender> &contenders, const std::vector<double> &goals,
            int entries) {
    out << name << Qt::endl;
    for (const Contender &contender : contenders) {
        printTimes(contender);
    }
    const Contender &ours = contenders.front();
    for (std::size_t index = 1; index < contenders.size(); ++index) {
        const double goal = goals.at(index - 1);
        out << QString::asprintf("  ratio kinolark / %s: %.2f%s\n", qPrintable(contenders.at(index).name),
                                 ours.medianSeconds() / contenders.at(index).medianSeconds(),
                                 goal > 0.0 ? qPrintable(QString::asprintf("  (goal at most %.2f)", goal))
                                            : "");
    }
    out << QString::asprintf("  kinolark's own CPU: %.3f s per entry (counted in steps of 0.01 s)\n",
                             median(field(ours.outcomes, &Outcome::cpuSeconds)) / entries);
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

// yt-dlp as a person runs it on a page: every video of the page, numbered in the page's order.
std::pair<QString, QStringList> rawPageDownload(const QString &page, const QString &folder) {
    return {QStringLiteral("yt-dlp"),
            {QStringLiteral("-q"), QStringLiteral("--no-warnings"), QStringLiteral("-o"),
             QDir(folder).filePath(QStringLiteral("d%(autonumber)s.%(ext)s")), page}};
}

// yt-dlp for one video of a page, which reads the page again.
std::pair<QString, QStringList> rawItemDownload(const QString &page, int item, const QString &target) {
    return {QStringLiteral("yt-dlp"),
            {QStringLiteral("-q"), QStringLiteral("--no-warnings"), QStringLiteral("--playlist-items"),
             QString::number(item), QStringLiteral("-o"), target, page}};
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
        run(QStringLiteral("yt-dlp"), {QStringLiteral("--version")});
    }

    // A page of one or more videos (each the same clip), against the two baselines.
    void videoPage(const QString &heading, const QString &page, int videos, const std::vector<double> &goals,
                   const QStringList &parameters) const {
        out << heading << "; " << m_runs << " runs" << Qt::endl;
        const QString address = m_site.url(page);
        std::vector<Contender> contenders{
            ours(QStringLiteral("kinolark"), address),
            {QStringLiteral("yt-dlp page, ffmpeg each"),
             [&] {
                 Outcome total = runAll({rawPageDownload(address, m_output)});
                 const QStringList fetched =
                     QDir(m_output).entryList({QStringLiteral("d*")}, QDir::Files, QDir::Name);
                 total.ok = total.ok && fetched.size() == videos;
                 std::vector<std::pair<QString, QStringList>> conversions;
                 for (const QString &name : fetched) {
                     conversions.push_back(
                         rawConversion(in(name), parameters, in(name + QStringLiteral(".mov"))));
                 }
                 const Outcome converted = runAll(conversions);
                 return Outcome{total.ok && converted.ok, total.seconds + converted.seconds, 0.0};
             },
             {}},
            {QStringLiteral("yt-dlp, ffmpeg per video"),
             [&] {
                 std::vector<std::pair<QString, QStringList>> commands;
                 for (int item = 1; item <= videos; ++item) {
                     const QString downloaded = in(QStringLiteral("d%1.mp4").arg(item));
                     commands.push_back(rawItemDownload(address, item, downloaded));
                     commands.push_back(
                         rawConversion(downloaded, parameters, in(QStringLiteral("o%1.mov").arg(item))));
                 }
                 return runAll(commands);
             },
             {}}};
        alternate(contenders);
        report(heading, contenders, goals, videos);
    }

    // The one-video page run with an empty data folder, as on the first run after installing, against the
    // same run with the data folder the runs before it left.
    void firstRun() const {
        out << "The first run against the next ones, one video on a page; " << m_runs << " runs" << Qt::endl;
        const QString address = m_site.url(QStringLiteral("page.html"));
        std::vector<Contender> contenders{
            {QStringLiteral("kinolark, first run"),
             [&] {
                 const QTemporaryDir fresh;
                 QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
                 for (const char *name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) {
                     environment.insert(QString::fromLatin1(name),
                                        QDir(fresh.path()).filePath(QString::fromLatin1(name)));
                 }
                 return run(kinolark(), {address, QStringLiteral("-o"), m_output}, environment);
             },
             {}},
            ours(QStringLiteral("kinolark, later run"), address)};
        alternate(contenders);
        out << "First run" << Qt::endl;
        for (const Contender &contender : contenders) {
            printTimes(contender);
        }
        out << QString::asprintf("  first run - later run: %+.2f s  (goal at most 0.10)\n",
                                 contenders.at(0).medianSeconds() - contenders.at(1).medianSeconds());
        out.flush();
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
        std::vector<Contender> contenders{
            ours(QStringLiteral("kinolark"), folder),
            {QStringLiteral("ffprobe, ffmpeg per file"),
             [&] {
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
             },
             {}}};
        alternate(contenders);
        report(QStringLiteral("Folder of short files"), contenders, {1.1}, files);
    }

    void idle(const QString &clip) const {
        clean();
        measureIdleCpu(m_site, clip, m_output, 100);
    }

private:
    QString in(const QString &name) const { return QDir(m_output).filePath(name); }

    // Every contender's runs, in turn, each into an empty output folder.
    void alternate(std::vector<Contender> &contenders) const {
        alternateRuns(
            m_runs, [this] { clean(); }, contenders);
    }

    // kinolark on a source, into the output folder. KINOLARK_BENCH_WRAPPER (e.g. "strace -f -tt -o
    // /tmp/trace") runs it under another program.
    Contender ours(const QString &name, const QString &source) const {
        QStringList command = QProcess::splitCommand(qEnvironmentVariable("KINOLARK_BENCH_WRAPPER"));
        command << kinolark() << source << QStringLiteral("-o") << m_output;
        const QString program = command.takeFirst();
        return {name, [program, command] { return run(program, command); }, {}};
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
    // KINOLARK_BENCH_PARTS (e.g. "four,idle") picks some of the parts: page, four, first, folder, idle.
    const QStringList parts =
        qEnvironmentVariable("KINOLARK_BENCH_PARTS", QStringLiteral("page,four,first,folder,idle"))
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
                        QStringLiteral("page.html"), 1, {1.1, 0.0}, parameters);
    }
    if (parts.contains(QStringLiteral("four"))) {
        bench.videoPage(QStringLiteral("A page of four such videos, converted"), QStringLiteral("four.html"),
                        4, {1.0, 0.0}, parameters);
    }
    if (parts.contains(QStringLiteral("first"))) {
        bench.firstRun();
    }
    if (parts.contains(QStringLiteral("folder"))) {
        bench.folder(files);
    }
    if (parts.contains(QStringLiteral("idle"))) {
        bench.idle(clip);
    }
    return 0;
}
