// Wall time of kinolark against yt-dlp and ffmpeg (or ffprobe and ffmpeg) doing the same work, as ratios,
// over several runs with the median and the spread shown. Everything is served on 127.0.0.1.
//
//   kinolark_bench [RUNS] [FILES]        (defaults: 5 runs, 50 files)
#include "KLMediaFixtures.h"
#include "KLTestEnvironment.h"
#include "KLYTDLTestSite.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

QTextStream out(stdout);

QString kinolark() {
    return KLTestEnvironment::binaryDirectory() + QStringLiteral("/bin/kinolark");
}

bool run(const QString &program, const QStringList &arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    process.waitForFinished(-1);
    process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QString capture(const QString &program, const QStringList &arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(-1);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Seconds of each run; `prepare` runs untimed before each.
std::vector<double> measure(int runs, const std::function<void()> &prepare,
                            const std::function<bool()> &work) {
    std::vector<double> seconds;
    for (int index = 0; index < runs; ++index) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        if (!work()) {
            out << "  (a run failed)" << Qt::endl;
        }
        seconds.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds;
}

double median(const std::vector<double> &sorted) {
    return sorted.at(sorted.size() / 2);
}

void report(const QString &name, const std::vector<double> &ours, const std::vector<double> &raw) {
    out << name << Qt::endl;
    out << QString::asprintf("  kinolark   median %7.2f s  (min %.2f, max %.2f)\n", median(ours),
                             ours.front(), ours.back());
    out << QString::asprintf("  raw tools  median %7.2f s  (min %.2f, max %.2f)\n", median(raw), raw.front(),
                             raw.back());
    out << QString::asprintf("  ratio kinolark / raw: %.2f  (noise: raw spread %.0f%% of its median)\n",
                             median(ours) / median(raw), 100.0 * (raw.back() - raw.front()) / median(raw));
    out.flush();
}

QStringList conversionParameters(const QString &file) {
    const QString text = capture(kinolark(), {QStringLiteral("--print-ffmpeg-params"), file});
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)
        .value(0)
        .split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QStringList withoutQuotes(QStringList words) {
    for (QString &word : words) {
        word.remove(QLatin1Char('\''));
    }
    return words;
}

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

    KLYTDLTestSite site;
    site.addMedia(QStringLiteral("clip.mp4"), KLMediaFixtures::Clip720p);
    site.addPage(QStringLiteral("page.html"), QStringLiteral("Bench"), {QStringLiteral("clip.mp4")});
    if (!site.start()) {
        out << "cannot start the test web server" << Qt::endl;
        return 1;
    }
    QTemporaryDir work;
    const QString output = work.filePath(QStringLiteral("out"));
    const auto clean = [&output] {
        QDir(output).removeRecursively();
        QDir().mkpath(output);
    };
    const QStringList parameters =
        withoutQuotes(conversionParameters(KLMediaFixtures::path(KLMediaFixtures::Clip720p)));

    out << "One video on a page, " << runs << " runs" << Qt::endl;
    const auto pageOurs = measure(runs, clean, [&] {
        return run(kinolark(), {site.url(QStringLiteral("page.html")), QStringLiteral("-o"), output});
    });
    const auto pageRaw = measure(runs, clean, [&] {
        const QString downloaded = QDir(output).filePath(QStringLiteral("download.mp4"));
        return run(QStringLiteral("yt-dlp"), {QStringLiteral("-q"), QStringLiteral("-o"), downloaded,
                                              site.url(QStringLiteral("page.html"))}) &&
               run(QStringLiteral("ffmpeg"),
                   QStringList{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
                               QStringLiteral("-i"), downloaded} +
                       parameters + QStringList{QDir(output).filePath(QStringLiteral("o.mov"))});
    });
    report(QStringLiteral("One-video page"), pageOurs, pageRaw);

    const QString folder = work.filePath(QStringLiteral("folder"));
    QDir().mkpath(folder);
    for (int index = 0; index < files; ++index) {
        QFile::copy(KLMediaFixtures::path(KLMediaFixtures::Clip360p),
                    QDir(folder).filePath(QStringLiteral("f%1.mp4").arg(index)));
    }
    out << "A folder of " << files << " short files, " << runs << " runs" << Qt::endl;
    const auto folderOurs = measure(runs, clean, [&] {
        return run(kinolark(), {folder, QStringLiteral("-o"), output});
    });
    const auto folderRaw = measure(runs, clean, [&] {
        bool ok = true;
        for (const QString &name : QDir(folder).entryList(QDir::Files)) {
            const QString input = QDir(folder).filePath(name);
            capture(QStringLiteral("ffprobe"),
                    {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_streams"),
                     QStringLiteral("-show_format"), input});
            ok = run(QStringLiteral("ffmpeg"),
                     QStringList{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
                                 QStringLiteral("-i"), input} +
                         parameters + QStringList{QDir(output).filePath(name + QStringLiteral(".mov"))}) &&
                 ok;
        }
        return ok;
    });
    report(QStringLiteral("Folder of short files"), folderOurs, folderRaw);
    return 0;
}
