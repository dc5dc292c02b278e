#include "KLMediaFixtures.h"

#include "KLTestEnvironment.h"
#include "Utils/KLResources.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUuid>

#include <gtest/gtest.h>

#include <cstdio>
#include <mutex>
#include <unistd.h>

namespace {

using Fixture = KLMediaFixtures::Fixture;
using Description = KLMediaFixtures::Description;

// Changing a recipe changes its hash and therefore its file name; bump this to renew every cached file.
const QString recipeGeneration = QStringLiteral("1");

const Description descriptions[] = {
    {KLMediaFixtures::Clip720p, "clip-720p", "mp4", 1280, 720, 3.0, 25, "h264", "aac", 44100, 2},
    {KLMediaFixtures::Clip720pNotFaststart, "clip-720p-not-faststart", "mp4", 1280, 720, 3.0, 25, "h264",
     "aac", 44100, 2},
    {KLMediaFixtures::Clip360p, "clip-360p", "mp4", 640, 360, 2.0, 25, "h264", "aac", 44100, 2},
    {KLMediaFixtures::ClipPortrait, "clip-portrait", "mp4", 720, 1280, 2.0, 25, "h264", "aac", 44100, 2},
    {KLMediaFixtures::AudioM4a, "audio", "m4a", 0, 0, 2.0, 0, "", "aac", 44100, 2},
    {KLMediaFixtures::AudioMp3, "audio-mono", "mp3", 0, 0, 2.0, 0, "", "mp3", 44100, 1},
    {KLMediaFixtures::VideoOnly, "video-only", "mp4", 640, 360, 2.0, 25, "h264", "", 0, 0},
    {KLMediaFixtures::Webm, "clip", "webm", 640, 360, 2.0, 25, "vp8", "vorbis", 44100, 2},
    {KLMediaFixtures::Source1080p, "source-1080p", "mp4", 1920, 1080, 1.0, 25, "h264", "aac", 44100, 2},
    {KLMediaFixtures::SourcePortrait1080p, "source-portrait-1080p", "mp4", 1080, 1920, 1.0, 25, "h264", "aac",
     44100, 2},
    {KLMediaFixtures::TextFile, "notes", "txt", 0, 0, 0.0, 0, "", "", 0, 0},
    {KLMediaFixtures::CorruptMedia, "corrupt", "mp4", 0, 0, 0.0, 0, "", "", 0, 0},
    {KLMediaFixtures::ClipTiny, "clip-tiny", "mp4", 64, 36, 0.4, 25, "h264", "aac", 44100, 1},
};

const KLMediaFixtures::DashRepresentation dashSet[] = {
    {"0", 1280, 720, 800000},
    {"1", 854, 480, 500000},
    {"2", 640, 360, 300000},
    {"3", 0, 0, 96000},
};

// Cached files are made by one thread of a process at a time; other processes are kept apart by the
// atomic rename.
std::mutex generationLock;

QString number(double value) {
    return QString::number(value, 'g', 10);
}

QString hashOf(const QStringList &recipe) {
    const QByteArray text = (recipeGeneration + QChar(0x1f) + recipe.join(QChar(0x1f))).toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(text, QCryptographicHash::Sha1).toHex().left(10));
}

// A name in the cache folder that no other process or thread uses; it keeps the final name's extension so
// that ffmpeg picks the same muxer.
QString temporarySibling(const QString &finalPath) {
    const QFileInfo info(finalPath);
    return info.dir().filePath(QStringLiteral(".tmp-%1-%2-%3")
                                   .arg(::getpid())
                                   .arg(QUuid::createUuid().toString(QUuid::Id128), info.fileName()));
}

bool publish(const QString &temporary, const QString &finalPath) {
    // rename(2) replaces atomically: a reader sees either nothing or the whole file. When another process
    // published the same recipe first, replacing its identical file is harmless.
    if (::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(finalPath).constData()) == 0) {
        return true;
    }
    QFile::remove(temporary);
    return QFileInfo::exists(finalPath);
}

bool runFFmpeg(const QStringList &arguments) {
    QProcess ffmpeg;
    ffmpeg.setProgram(KLResources::ffmpegPath());
    ffmpeg.setArguments(QStringList{QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"),
                                    QStringLiteral("-loglevel"), QStringLiteral("error"),
                                    QStringLiteral("-y")} +
                        arguments);
    ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ffmpeg.setStandardOutputFile(QProcess::nullDevice());
    ffmpeg.start();
    if (!ffmpeg.waitForFinished(180000)) {
        ffmpeg.kill();
        ffmpeg.waitForFinished();
        return false;
    }
    return ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
}

QStringList pictureInput(int width, int height, double duration) {
    return {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
            QStringLiteral("testsrc2=size=%1x%2:rate=25:duration=%3")
                .arg(width)
                .arg(height)
                .arg(number(duration))};
}

QStringList toneInput(int sampleRate, double duration) {
    return {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
            QStringLiteral("sine=frequency=440:sample_rate=%1:duration=%2")
                .arg(sampleRate)
                .arg(number(duration))};
}

QStringList h264Video() {
    return {QStringLiteral("-c:v"),     QStringLiteral("libx264"), QStringLiteral("-preset"),
            QStringLiteral("veryfast"), QStringLiteral("-crf"),    QStringLiteral("32"),
            QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), QStringLiteral("-g"),
            QStringLiteral("25")};
}

QStringList channels(int count) {
    return {QStringLiteral("-ac"), QString::number(count)};
}

QStringList aacAudio(int channelCount) {
    return QStringList{QStringLiteral("-c:a"), QStringLiteral("aac"), QStringLiteral("-b:a"),
                       QStringLiteral("64k")} +
           channels(channelCount);
}

QStringList duration(double seconds) {
    return {QStringLiteral("-t"), number(seconds)};
}

// The ffmpeg arguments (without the output file) that make a media fixture.
QStringList mediaRecipe(const Description &fixture) {
    const QStringList both = {QStringLiteral("-map"), QStringLiteral("0:v"), QStringLiteral("-map"),
                              QStringLiteral("1:a")};
    const QStringList faststart = {QStringLiteral("-movflags"), QStringLiteral("+faststart")};
    const QStringList picture = pictureInput(fixture.width, fixture.height, fixture.duration);
    const QStringList tone = toneInput(fixture.sampleRate, fixture.duration);
    switch (fixture.fixture) {
    case KLMediaFixtures::Clip720p:
    case KLMediaFixtures::Clip360p:
    case KLMediaFixtures::ClipPortrait:
    case KLMediaFixtures::Source1080p:
    case KLMediaFixtures::SourcePortrait1080p:
    case KLMediaFixtures::ClipTiny:
        return picture + tone + both + h264Video() + aacAudio(fixture.channels) + faststart +
               duration(fixture.duration);
    case KLMediaFixtures::Clip720pNotFaststart:
        return picture + tone + both + h264Video() + aacAudio(fixture.channels) + duration(fixture.duration);
    case KLMediaFixtures::AudioM4a:
        return tone + aacAudio(fixture.channels) + faststart + duration(fixture.duration);
    case KLMediaFixtures::AudioMp3:
        return tone +
               QStringList{QStringLiteral("-c:a"), QStringLiteral("libmp3lame"), QStringLiteral("-b:a"),
                           QStringLiteral("64k")} +
               channels(fixture.channels) + duration(fixture.duration);
    case KLMediaFixtures::VideoOnly:
        return picture + h264Video() + faststart + duration(fixture.duration);
    case KLMediaFixtures::Webm:
        return picture + tone + both + QStringList{QStringLiteral("-c:v"),      QStringLiteral("libvpx"),
                                                   QStringLiteral("-deadline"), QStringLiteral("realtime"),
                                                   QStringLiteral("-cpu-used"), QStringLiteral("8"),
                                                   QStringLiteral("-b:v"),      QStringLiteral("300k"),
                                                   QStringLiteral("-c:a"),      QStringLiteral("libvorbis"),
                                                   QStringLiteral("-q:a"),      QStringLiteral("1")} +
               channels(fixture.channels) + duration(fixture.duration);
    case KLMediaFixtures::TextFile:
    case KLMediaFixtures::CorruptMedia:
        break;
    }
    return {};
}

QByteArray textContents() {
    QByteArray text = "Notes for the weekend trip\n==========================\n\n";
    for (int line = 1; line <= 60; ++line) {
        text += "Line " + QByteArray::number(line) + ": pack the camera, the charger and a spare card.\n";
    }
    return text;
}

QString finalPath(const Description &fixture, const QString &hash) {
    return QDir(KLMediaFixtures::cacheDirectory())
        .filePath(
            QStringLiteral("%1-%2.%3")
                .arg(QString::fromLatin1(fixture.fileName), hash, QString::fromLatin1(fixture.extension)));
}

QString makeFile(const QString &path, const QByteArray &contents) {
    const QString temporary = temporarySibling(path);
    KLTestEnvironment::writeFile(temporary, contents);
    return publish(temporary, path) ? path : QString();
}

QString makeMedia(const Description &fixture) {
    const QStringList recipe = mediaRecipe(fixture);
    const QString path = finalPath(fixture, hashOf(recipe));
    if (QFileInfo::exists(path)) {
        return path;
    }
    const QString temporary = temporarySibling(path);
    if (!runFFmpeg(recipe + QStringList{temporary})) {
        QFile::remove(temporary);
        return QString();
    }
    return publish(temporary, path) ? path : QString();
}

QString makeCorrupt(const Description &fixture) {
    // The head of a clip whose index sits at its end: it starts like an MP4 but can never be read.
    const Description &source = KLMediaFixtures::description(KLMediaFixtures::Clip720pNotFaststart);
    const QString path = finalPath(fixture, hashOf(mediaRecipe(source)));
    if (QFileInfo::exists(path)) {
        return path;
    }
    QFile clip(makeMedia(source));
    if (!clip.open(QIODevice::ReadOnly)) {
        return QString();
    }
    return makeFile(path, clip.read(4096));
}

QString makeText(const Description &fixture) {
    const QByteArray contents = textContents();
    const QString path = finalPath(fixture, hashOf({QString::fromUtf8(contents)}));
    return QFileInfo::exists(path) ? path : makeFile(path, contents);
}

QStringList dashRecipe() {
    const KLMediaFixtures::DashRepresentation &large = dashSet[0];
    QStringList recipe = pictureInput(large.width, large.height, KLMediaFixtures::dashDuration) +
                         toneInput(KLMediaFixtures::dashSampleRate, KLMediaFixtures::dashDuration);
    QString graph = QStringLiteral("[0:v]split=3");
    QString scaled;
    for (int index = 0; index < 3; ++index) {
        graph += QStringLiteral("[s%1]").arg(index);
        scaled += QStringLiteral(";[s%1]scale=%2:%3[v%1]")
                      .arg(index)
                      .arg(dashSet[index].width)
                      .arg(dashSet[index].height);
    }
    recipe += QStringList{QStringLiteral("-filter_complex"), graph + scaled};
    for (int index = 0; index < 3; ++index) {
        recipe +=
            QStringList{QStringLiteral("-map"), QStringLiteral("[v%1]").arg(index),
                        QStringLiteral("-b:v:%1").arg(index), QString::number(dashSet[index].bandwidth)};
    }
    recipe += QStringList{QStringLiteral("-map"), QStringLiteral("1:a")};
    // Key frames every second, so that every 1-second segment starts with one in every representation.
    recipe += QStringList{QStringLiteral("-c:v"),
                          QStringLiteral("libx264"),
                          QStringLiteral("-preset"),
                          QStringLiteral("veryfast"),
                          QStringLiteral("-pix_fmt"),
                          QStringLiteral("yuv420p"),
                          QStringLiteral("-g"),
                          QStringLiteral("25"),
                          QStringLiteral("-keyint_min"),
                          QStringLiteral("25"),
                          QStringLiteral("-sc_threshold"),
                          QStringLiteral("0"),
                          QStringLiteral("-c:a"),
                          QStringLiteral("aac"),
                          QStringLiteral("-b:a"),
                          QString::number(dashSet[3].bandwidth)} +
              channels(2);
    recipe += QStringList{QStringLiteral("-f"),
                          QStringLiteral("dash"),
                          QStringLiteral("-seg_duration"),
                          QStringLiteral("1"),
                          QStringLiteral("-use_template"),
                          QStringLiteral("1"),
                          QStringLiteral("-use_timeline"),
                          QStringLiteral("0"),
                          QStringLiteral("-adaptation_sets"),
                          QStringLiteral("id=0,streams=v id=1,streams=a")};
    return recipe;
}

} // namespace

QString KLMediaFixtures::cacheDirectory() {
    const QString directory =
        QDir(KLTestEnvironment::binaryDirectory()).filePath(QStringLiteral("fixtures-cache"));
    QDir().mkpath(directory);
    return directory;
}

const KLMediaFixtures::Description &KLMediaFixtures::description(Fixture fixture) {
    for (const Description &candidate : descriptions) {
        if (candidate.fixture == fixture) {
            return candidate;
        }
    }
    std::abort(); // every enumerator has a row above
}

QList<KLMediaFixtures::Fixture> KLMediaFixtures::allFixtures() {
    QList<Fixture> fixtures;
    for (const Description &candidate : descriptions) {
        fixtures.append(candidate.fixture);
    }
    return fixtures;
}

QString KLMediaFixtures::path(Fixture fixture) {
    std::lock_guard lock(generationLock);
    const Description &wanted = description(fixture);
    QString made;
    switch (fixture) {
    case TextFile:
        made = makeText(wanted);
        break;
    case CorruptMedia:
        made = makeCorrupt(wanted);
        break;
    default:
        made = makeMedia(wanted);
        break;
    }
    if (made.isEmpty()) {
        ADD_FAILURE() << "ffmpeg could not make the fixture " << wanted.fileName << "." << wanted.extension;
    }
    return made;
}

QList<KLMediaFixtures::DashRepresentation> KLMediaFixtures::dashRepresentations() {
    return QList<DashRepresentation>(std::begin(dashSet), std::end(dashSet));
}

QString KLMediaFixtures::dashDirectory() {
    std::lock_guard lock(generationLock);
    const QStringList recipe = dashRecipe();
    const QString directory = QDir(cacheDirectory()).filePath(QStringLiteral("dash-") + hashOf(recipe));
    if (QFileInfo::exists(QDir(directory).filePath(dashManifestName))) {
        return directory;
    }
    const QString temporary = temporarySibling(directory);
    QDir().mkpath(temporary);
    const bool made = runFFmpeg(recipe + QStringList{QDir(temporary).filePath(dashManifestName)});
    // A folder is renamed only onto a name that is free (or an empty folder), so a set that another process
    // published first stays; ours is then thrown away.
    const bool published = made && ::rename(QFile::encodeName(temporary).constData(),
                                            QFile::encodeName(directory).constData()) == 0;
    if (!published) {
        QDir(temporary).removeRecursively();
    }
    if (!QFileInfo::exists(QDir(directory).filePath(dashManifestName))) {
        ADD_FAILURE() << "ffmpeg could not make the DASH fixture";
        return QString();
    }
    return directory;
}

QString KLMediaFixtures::dashManifestPath() {
    const QString directory = dashDirectory();
    return directory.isEmpty() ? QString() : QDir(directory).filePath(dashManifestName);
}
