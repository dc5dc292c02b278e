// What a big drop costs the window: many local files dropped at once on the drop zone of the real desktop
// program (drawn offscreen), while a heartbeat on the main thread measures the longest time the window could
// not react, and the process's memory before and after gives the cost of one entry.
//
//   kinolark_window_bench [FILES]        (default: 1000 files)
#include "App/KLAppDelegate.h"
#include "App/KLEntryTableController.h"
#include "KLDesktopApplication.h"
#include "KLMediaFixtures.h"
#include "Model/KLEntry/KLEntry.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

#include <unistd.h>

namespace {

QTextStream out(stdout);

// The resident memory of this process, in bytes.
qint64 residentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * ::sysconf(_SC_PAGESIZE) : 0;
}

// The longest gap between two beats of a timer that wants to beat every 5 ms.
class Heartbeat final {
public:
    Heartbeat() {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout,
                         [this] { m_longest = std::max(m_longest, m_sinceBeat.restart()); });
    }
    void start() {
        m_sinceBeat.start();
        m_timer.start();
    }
    qint64 longestMilliseconds() const { return m_longest; }

private:
    QTimer m_timer;
    QElapsedTimer m_sinceBeat;
    qint64 m_longest = 0;
};

} // namespace

int main(int argc, char **argv) {
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/.local/share")).toUtf8());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // The program's diagnostic lines would drown the figures.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type != QtInfoMsg && type != QtDebugMsg) {
            fprintf(stderr, "%s\n", qPrintable(message));
        }
    });
    const int files = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 1000;

    QTemporaryDir folder;
    QStringList paths;
    const QString clip = KLMediaFixtures::path(KLMediaFixtures::Clip360p);
    for (int index = 0; index < files; ++index) {
        const QString path =
            folder.filePath(QStringLiteral("clip%1.mp4").arg(index, 4, 10, QLatin1Char('0')));
        if (!QFile::link(clip, path)) {
            QFile::copy(clip, path);
        }
        paths << path;
    }

    KLDesktopApplication desktop;
    desktop.launch({});
    const auto delegate = desktop.delegate();
    if (!QTest::qWaitFor([&delegate] { return delegate->launched(); }, 120000)) {
        out << "the program did not finish launching" << Qt::endl;
        return 1;
    }
    QTest::qWait(500);
    const qint64 before = residentBytes();
    Heartbeat heartbeat;
    heartbeat.start();
    QElapsedTimer took;
    took.start();
    delegate->dragFilesViewFilesWereDropped(paths);
    const bool all = QTest::qWaitFor(
        [&] {
            return delegate->tableController()->getEntries().size() == static_cast<size_t>(files) &&
                   delegate->preparingEntries() == 0 && delegate->callsToProcessURLs() == 0;
        },
        30 * 60 * 1000);
    QTest::qWait(1000); // the last rows are drawn
    const qint64 after = residentBytes();
    // What the entries themselves hold comes back when they go; the rest is the work's own residue (thread
    // arenas, caches), which the growth since the drop includes.
    std::vector<std::weak_ptr<KLEntry>> entries;
    for (const auto &entry : delegate->tableController()->getEntries()) {
        entries.push_back(entry);
    }
    delegate->clearAll();
    QTest::qWait(1000);
    const qint64 cleared = residentBytes();
    const auto alive =
        std::count_if(entries.begin(), entries.end(), [](const auto &entry) { return !entry.expired(); });
    if (alive > 0) {
        out << alive << " entries outlived their removal" << Qt::endl;
    }
    out << files << " files dropped: " << (all ? "all" : "NOT all") << " in the queue after "
        << QString::number(static_cast<double>(took.elapsed()) / 1000.0, 'f', 1) << " s" << Qt::endl;
    out << "longest main-thread stall: " << heartbeat.longestMilliseconds() << " ms (goal: at most 100 ms)"
        << Qt::endl;
    const auto perEntry = [files](qint64 bytes) {
        return QString::number(static_cast<double>(bytes) / files / 1024.0, 'f', 1);
    };
    out << "memory per entry: " << perEntry(after - cleared)
        << " KB held by the entry and its row (goal: under 100 KB); " << perEntry(after - before)
        << " KB of growth since the drop" << Qt::endl;
    desktop.quit();
    return all ? 0 : 1;
}
