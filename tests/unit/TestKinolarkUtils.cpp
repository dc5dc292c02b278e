#include "KLTestEnvironment.h"
#include "Model/KLTask/Basic/KLVideoProperties.h"
#include "Model/KLTask/KLError.h"
#include "Utils/KLKinolarkUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <limits>
#include <sys/file.h>
#include <unistd.h>

using U = KLKinolarkUtils;

TEST(KinolarkUtils, ParseSizeCountsInPowersOf1024) {
    EXPECT_EQ(U::parseSize(QStringLiteral("45.67MiB")), static_cast<uint64_t>(45.67 * 1024 * 1024));
    EXPECT_EQ(U::parseSize(QStringLiteral("1.5GiB")), 1610612736u);
    EXPECT_EQ(U::parseSize(QStringLiteral("800KiB")), 800u * 1024u);
    EXPECT_EQ(U::parseSize(QStringLiteral("800k")), 800u * 1024u);
    EXPECT_EQ(U::parseSize(QStringLiteral("123")), 123u);
    EXPECT_EQ(U::parseSize(QStringLiteral("2.5B")), 2u);
}

TEST(KinolarkUtils, ParseSizeSurvivesHostileText) {
    EXPECT_EQ(U::parseSize(QString()), 0u);
    EXPECT_EQ(U::parseSize(QStringLiteral("")), 0u);
    EXPECT_EQ(U::parseSize(QStringLiteral("Unknown")), 0u);
    EXPECT_EQ(U::parseSize(QStringLiteral("-5MiB")), 0u);
    EXPECT_EQ(U::parseSize(QStringLiteral("1.2.3MiB")), static_cast<uint64_t>(1.2 * 1048576));
    EXPECT_EQ(U::parseSize(QStringLiteral(".MiB")), 0u);
    EXPECT_EQ(U::parseSize(QString(400, QLatin1Char('9')) + QStringLiteral("GiB")),
              std::numeric_limits<uint64_t>::max());
    EXPECT_EQ(U::parseSize(QStringLiteral("٣MiB")), 0u); // digits of other scripts are not youtube-dl's
}

TEST(KinolarkUtils, FormatSizeUsesOneDecimalAndNoBlank) {
    EXPECT_EQ(U::formatSizeInBytes(1048576), QStringLiteral("1.0M"));
    EXPECT_EQ(U::formatSizeInBytes(1610612736), QStringLiteral("1.5G"));
    EXPECT_EQ(U::formatSizeInBytes(1536), QStringLiteral("1.5K"));
    EXPECT_EQ(U::formatSizeInBytes(1023), QStringLiteral("1.0"));
    EXPECT_EQ(U::formatSizeInBytes(512), QStringLiteral("0.5"));
    EXPECT_EQ(U::formatSizeInBytes(0), QStringLiteral("0.0"));
    EXPECT_FALSE(U::formatSizeInBytes(std::numeric_limits<uint64_t>::max()).isEmpty());
}

TEST(KinolarkUtils, FFMPEGTimesAndDurations) {
    EXPECT_DOUBLE_EQ(U::parseFFMPEGTimeInSeconds(QStringLiteral("01:02:03.50")), 3723.5);
    EXPECT_DOUBLE_EQ(U::parseFFMPEGTimeInSeconds(QStringLiteral("00:00:02.50")), 2.5);
    EXPECT_DOUBLE_EQ(U::parseFFMPEGTimeInSeconds(QStringLiteral("12:34")), 0.0);
    EXPECT_DOUBLE_EQ(U::parseFFMPEGTimeInSeconds(QStringLiteral("N/A")), 0.0);
    EXPECT_DOUBLE_EQ(U::parseFFMPEGTimeInSeconds(QString()), 0.0);
    EXPECT_DOUBLE_EQ(U::parseFFMPEGTimeInSeconds(QStringLiteral("a:b:c")), 0.0);
    EXPECT_DOUBLE_EQ(U::parseFFMPEGTimeInSeconds(QStringLiteral("1:2:3:4")), 0.0);

    EXPECT_EQ(U::formatTimeInSeconds(3725), QStringLiteral("01:02:05.0"));
    EXPECT_EQ(U::formatTimeInSeconds(59.5), QStringLiteral("00:00:59.5"));
    EXPECT_EQ(U::formatTimeInSeconds(-3), QStringLiteral("00:00:00.0"));
    EXPECT_EQ(U::formatTimeInSeconds(std::numeric_limits<double>::quiet_NaN()), QStringLiteral("00:00:00.0"));
    EXPECT_FALSE(U::formatTimeInSeconds(std::numeric_limits<double>::infinity()).isEmpty());
}

TEST(KinolarkUtils, Resolutions) {
    EXPECT_EQ(U::parseResolution(QStringLiteral("1280X720")), QSizeF(1280, 720));
    EXPECT_EQ(U::parseResolution(QStringLiteral("1920x1080")), QSizeF(1920, 1080));
    EXPECT_EQ(U::parseResolution(QStringLiteral("1080p")), QSizeF(0, 0));
    EXPECT_EQ(U::parseResolution(QStringLiteral("x")), QSizeF(0, 0));
    EXPECT_EQ(U::parseResolution(QString()), QSizeF(0, 0));
    EXPECT_EQ(U::formatResolution(QSizeF(1920, 1080)), QStringLiteral("1920x1080"));
    EXPECT_EQ(U::formatResolution(QSizeF(1279.6, 719.5)), QStringLiteral("1280x720"));
    EXPECT_TRUE(U::isDoubleInt(3.000001));
    EXPECT_FALSE(U::isDoubleInt(3.01));
}

TEST(KinolarkUtils, FoldersLiveInTheUsersDataFolder) {
    const QString data = U::getApplicationDataDirectory();
    EXPECT_EQ(data, QDir::homePath() + QStringLiteral("/.local/share/KinolarkPro"));
    EXPECT_TRUE(QFileInfo(data).isDir());
    EXPECT_EQ(U::getDownloadsDirectory(), data + QStringLiteral("/Downloads"));
    EXPECT_EQ(U::getYTDLPath(), data + QStringLiteral("/ytdl"));
    EXPECT_EQ(U::getHomeDirectory(), QDir::homePath());

    const QString first = U::createTemporaryFolder();
    const QString second = U::createTemporaryFolder();
    EXPECT_NE(first, second);
    EXPECT_TRUE(QFileInfo(first).isDir());
    EXPECT_EQ(QFileInfo(first).path(), U::getScratchDirectory());
    EXPECT_EQ(QFileInfo(U::getScratchDirectory()).path(), U::getDownloadsDirectory());
    const QString file = U::createTemporaryFile();
    EXPECT_FALSE(QFileInfo::exists(file));
}

TEST(KinolarkUtils, CleaningTheDownloadsFolderSparesLivingProcesses) {
    const QDir downloads(U::getDownloadsDirectory());
    const QString mine = U::createTemporaryFolder();
    // What an earlier run left: a loose folder, a file, and the scratch folder of a process that is gone.
    downloads.mkpath(QStringLiteral("LEFT-OVER/inner"));
    KLTestEnvironment::writeFile(downloads.filePath(QStringLiteral("stray")), "x");
    downloads.mkpath(QStringLiteral("process-DEAD"));
    KLTestEnvironment::writeFile(downloads.filePath(QStringLiteral("process-DEAD/.lock")), "");
    // And one of another process that still runs, holding its lock. flock -F locks and then becomes the
    // sleep: the lock lives in that one process and goes when it is killed. With -o, flock would fork a
    // child that keeps a copy of the lock's descriptor until it gets round to closing it.
    downloads.mkpath(QStringLiteral("process-ALIVE/run"));
    const QString aliveLock = downloads.filePath(QStringLiteral("process-ALIVE/.lock"));
    QProcess holder;
    holder.start(QStringLiteral("flock"),
                 {QStringLiteral("-F"), aliveLock, QStringLiteral("sleep"), QStringLiteral("30")});
    ASSERT_TRUE(holder.waitForStarted());
    // Probed here rather than by another flock, whose own child would hold the lock for a moment.
    const auto lockIsHeld = [&aliveLock] {
        const int descriptor = ::open(QFile::encodeName(aliveLock).constData(), O_RDONLY | O_CLOEXEC);
        const bool held = descriptor >= 0 && ::flock(descriptor, LOCK_EX | LOCK_NB) != 0;
        if (descriptor >= 0) {
            ::close(descriptor);
        }
        return held;
    };
    ASSERT_TRUE(KLTestEnvironment::waitUntil(lockIsHeld));

    U::deleteDownloadsDirectory();
    EXPECT_TRUE(QFileInfo(mine).isDir());
    EXPECT_TRUE(QFileInfo(downloads.filePath(QStringLiteral("process-ALIVE/run"))).isDir());
    EXPECT_FALSE(QFileInfo::exists(downloads.filePath(QStringLiteral("LEFT-OVER"))));
    EXPECT_FALSE(QFileInfo::exists(downloads.filePath(QStringLiteral("stray"))));
    EXPECT_FALSE(QFileInfo::exists(downloads.filePath(QStringLiteral("process-DEAD"))));
    holder.kill();
    holder.waitForFinished();
    // A killed process has closed its descriptors by the time it can be reaped.
    ASSERT_FALSE(lockIsHeld());
    U::deleteDownloadsDirectory();
    EXPECT_FALSE(QFileInfo::exists(downloads.filePath(QStringLiteral("process-ALIVE"))));
    QDir(mine).removeRecursively();
}

TEST(KinolarkUtils, UUIDsAreCanonicalUpperCase) {
    static const QRegularExpression canonical(
        QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));
    EXPECT_TRUE(canonical.match(U::UUIDString()).hasMatch());
    EXPECT_NE(U::UUIDString(), U::UUIDString());
}

TEST(KinolarkUtils, UncollideFileCountsFromTwo) {
    QTemporaryDir folder;
    const QString clip = folder.filePath(QStringLiteral("clip.mp4"));
    EXPECT_EQ(U::uncollideFile(clip), clip);
    KLTestEnvironment::writeFile(clip, "x");
    KLTestEnvironment::writeFile(folder.filePath(QStringLiteral("clip 2.mp4")), "x");
    EXPECT_EQ(U::uncollideFile(clip), folder.filePath(QStringLiteral("clip 3.mp4")));

    const QString bare = folder.filePath(QStringLiteral("notes"));
    KLTestEnvironment::writeFile(bare, "x");
    EXPECT_EQ(U::uncollideFile(bare), folder.filePath(QStringLiteral("notes 2")));

    const QString dotted = folder.filePath(QStringLiteral("v1.2 final.mov"));
    KLTestEnvironment::writeFile(dotted, "x");
    EXPECT_EQ(U::uncollideFile(dotted), folder.filePath(QStringLiteral("v1.2 final 2.mov")));

    // A dangling symbolic link occupies its name as well.
    const QString link = folder.filePath(QStringLiteral("link.mp4"));
    QFile::link(folder.filePath(QStringLiteral("missing")), link);
    EXPECT_EQ(U::uncollideFile(link), folder.filePath(QStringLiteral("link 2.mp4")));
}

TEST(KinolarkUtils, PermissionsAndErrors) {
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("f"));
    KLTestEnvironment::writeFile(file, "x");
    std::shared_ptr<KLError> error;
    EXPECT_TRUE(U::setPermissions(0600, file, &error));
    EXPECT_EQ(QFileInfo(file).permissions(),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    EXPECT_EQ(error, nullptr);
    EXPECT_FALSE(U::setPermissions(0600, folder.filePath(QStringLiteral("missing")), &error));
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->errorType(), 5);
    EXPECT_FALSE(error->errorDescription().isEmpty());

    const auto made = U::createErrorWithType(3, QStringLiteral("Download failed for URL: x"));
    EXPECT_EQ(made->description(), QStringLiteral("3: Download failed for URL: x"));
}

TEST(KinolarkUtils, PlatformFacts) {
    const KLOSXVersion version = U::getOSXVersion();
    EXPECT_EQ(version.majorVersion(), 0);
    EXPECT_EQ(version.minorVersion(), 0);
    EXPECT_EQ(version.patchVersion(), 0);
    const QStringList types = U::getVideoMimeTypes();
    ASSERT_EQ(types.size(), 13);
    EXPECT_EQ(types.first(), QStringLiteral("video/mp4"));
    EXPECT_EQ(types.at(7), QStringLiteral(" application/vnd.apple.mpegurl"));
}

TEST(VideoProperties, NewRecordIsEmptyVideoOnly) {
    KLVideoProperties properties;
    EXPECT_EQ(properties.containerMode(), KLVideoProperties::videoOnlyMode);
    EXPECT_FALSE(properties.undeterminate());
    EXPECT_TRUE(properties.availableResolutions().isEmpty());
    EXPECT_TRUE(properties.title().isNull());
    EXPECT_TRUE(properties.thumbnail().isNull());
    EXPECT_EQ(properties.size(), 0u);
    properties.addAvailableResolution(QSizeF(640, 360));
    EXPECT_EQ(properties.availableResolutions().size(), 1);
}
