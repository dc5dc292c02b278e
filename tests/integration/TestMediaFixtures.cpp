#include "KLMediaFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// One "key=value" per line from ffprobe for the first stream of the kind ("v" or "a"), or the format.
QMap<QString, QString> probe(const QString &path, const QString &entries,
                             const QString &streams = QString()) {
    QStringList arguments{
        QStringLiteral("-v"),  QStringLiteral("error"),       QStringLiteral("-show_entries"), entries,
        QStringLiteral("-of"), QStringLiteral("default=nw=1")};
    if (!streams.isEmpty()) {
        arguments += QStringList{QStringLiteral("-select_streams"), streams};
    }
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"), arguments + QStringList{path});
    ffprobe.waitForFinished(60000);
    QMap<QString, QString> values;
    const QStringList lines = QString::fromUtf8(ffprobe.readAllStandardOutput()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0 && !values.contains(line.left(equals))) {
            values.insert(line.left(equals), line.mid(equals + 1));
        }
    }
    return values;
}

} // namespace

TEST(MediaFixtures, EveryMediaFixtureHoldsWhatItsDescriptionSays) {
    for (KLMediaFixtures::Fixture fixture : KLMediaFixtures::allFixtures()) {
        const KLMediaFixtures::Description &wanted = KLMediaFixtures::description(fixture);
        const QString path = KLMediaFixtures::path(fixture);
        SCOPED_TRACE(path.toStdString());
        ASSERT_TRUE(QFileInfo(path).isFile());
        EXPECT_TRUE(path.endsWith(QLatin1Char('.') + QLatin1String(wanted.extension)));
        EXPECT_LT(QFileInfo(path).size(), 1024 * 1024);
        if (fixture == KLMediaFixtures::TextFile || fixture == KLMediaFixtures::CorruptMedia) {
            continue;
        }
        const auto format = probe(path, QStringLiteral("format=duration"));
        EXPECT_NEAR(format.value(QStringLiteral("duration")).toDouble(), wanted.duration, 0.1);
        const auto video = probe(path, QStringLiteral("stream=codec_name,width,height"), QStringLiteral("v"));
        EXPECT_EQ(video.value(QStringLiteral("codec_name")), QLatin1String(wanted.videoCodec));
        EXPECT_EQ(video.value(QStringLiteral("width")).toInt(), wanted.width);
        EXPECT_EQ(video.value(QStringLiteral("height")).toInt(), wanted.height);
        const auto audio =
            probe(path, QStringLiteral("stream=codec_name,sample_rate,channels"), QStringLiteral("a"));
        EXPECT_EQ(audio.value(QStringLiteral("codec_name")), QLatin1String(wanted.audioCodec));
        EXPECT_EQ(audio.value(QStringLiteral("sample_rate")).toInt(), wanted.sampleRate);
        EXPECT_EQ(audio.value(QStringLiteral("channels")).toInt(), wanted.channels);
    }
}

TEST(MediaFixtures, FaststartDecidesWhereTheIndexIs) {
    const auto indexOffset = [](KLMediaFixtures::Fixture fixture) {
        QFile file(KLMediaFixtures::path(fixture));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray contents = file.readAll();
        return std::make_pair(contents.indexOf("moov"), contents.indexOf("mdat"));
    };
    const auto [fastIndex, fastData] = indexOffset(KLMediaFixtures::Clip720p);
    EXPECT_LT(fastIndex, fastData);
    const auto [slowIndex, slowData] = indexOffset(KLMediaFixtures::Clip720pNotFaststart);
    EXPECT_GT(slowIndex, slowData);
}

TEST(MediaFixtures, CorruptMediaCannotBeProbed) {
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("quiet"),
                                              KLMediaFixtures::path(KLMediaFixtures::CorruptMedia)});
    ffprobe.waitForFinished(60000);
    EXPECT_NE(ffprobe.exitCode(), 0);
}

TEST(MediaFixtures, DashManifestListsEveryRepresentationWithItsSegments) {
    const QString manifestPath = KLMediaFixtures::dashManifestPath();
    ASSERT_FALSE(manifestPath.isEmpty());
    QFile manifest(manifestPath);
    ASSERT_TRUE(manifest.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(manifest.readAll());
    for (const KLMediaFixtures::DashRepresentation &representation : KLMediaFixtures::dashRepresentations()) {
        EXPECT_TRUE(
            text.contains(QStringLiteral("Representation id=\"%1\"").arg(QLatin1String(representation.id))));
        EXPECT_TRUE(text.contains(QStringLiteral("bandwidth=\"%1\"").arg(representation.bandwidth)));
        if (representation.width > 0) {
            EXPECT_TRUE(text.contains(QStringLiteral("width=\"%1\" height=\"%2\"")
                                          .arg(representation.width)
                                          .arg(representation.height)));
        }
        // Every representation has its initialisation segment beside the manifest.
        EXPECT_TRUE(QFileInfo::exists(
            QDir(KLMediaFixtures::dashDirectory())
                .filePath(QStringLiteral("init-stream%1.m4s").arg(QLatin1String(representation.id)))));
    }
}

TEST(MediaFixtures, ThreadsAskingAtOnceGetOneCompleteFile) {
    std::vector<QString> paths(4);
    std::vector<std::thread> threads;
    for (size_t index = 0; index < paths.size(); ++index) {
        threads.emplace_back(
            [&paths, index] { paths[index] = KLMediaFixtures::path(KLMediaFixtures::Clip360p); });
    }
    for (std::thread &thread : threads) {
        thread.join();
    }
    for (const QString &path : paths) {
        EXPECT_EQ(path, paths.front());
    }
    // This process leaves no temporary file behind (other test processes may be writing theirs).
    const QStringList leftovers =
        QDir(KLMediaFixtures::cacheDirectory())
            .entryList({QStringLiteral(".tmp-%1-*").arg(::getpid())}, QDir::AllEntries | QDir::Hidden);
    EXPECT_TRUE(leftovers.isEmpty()) << leftovers.join(QLatin1Char(' ')).toStdString();
}
