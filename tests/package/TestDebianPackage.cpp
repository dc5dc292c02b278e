// The Debian package as a machine gets it: unpacked into a root of the test's own, its programs run from
// there, its desktop files checked by the desktop's own validators, and a kinlkurl link opened the way the
// desktop opens it.
#include "KLPrivateSessionBus.h"
#include "KLTestEnvironment.h"
#include "KLVirtualDisplay.h"
#include "KLYTDLTestSite.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Model/Preferences/KLSettingsStore.h"
#include "Utils/KLResources.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

using namespace std::chrono_literals;

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

const QString applicationId = s("org.kinolark.KinolarkPro");

struct Ran {
    int exitCode = -1;
    QString output; // standard output and error together
};

Ran run(const QString &program, const QStringList &arguments,
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
        const QString &directory = QString(), int timeoutMs = 180000) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(directory);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {-1, QString::fromUtf8(process.readAll())};
    }
    const int code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return {code, QString::fromUtf8(process.readAll())};
}

// The package the build made (the newest, should older versions lie beside it).
QString debianPackage() {
    const QDir folder(KLTestEnvironment::binaryDirectory() + s("/package"));
    const QStringList found = folder.entryList({s("kinolarkpro_*.deb")}, QDir::Files, QDir::Time);
    return found.isEmpty() ? QString() : folder.filePath(found.first());
}

// The folder the desktop, the bus and xdg-open look in for the user's own entries and services.
QString dataHome() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

// The options a text names: "--name" and "-x" standing alone, not the hyphens inside words.
QSet<QString> optionsIn(const QString &text) {
    static const QRegularExpression option(s("(?<![\\w-])(--[a-z][a-z-]*[a-z]|-[a-zA-Z])(?![\\w-])"));
    QSet<QString> options;
    for (auto match = option.globalMatch(text); match.hasNext();) {
        options.insert(match.next().captured(1));
    }
    return options;
}

// The text of a man page's section, up to the next heading.
QString manSection(const QString &page, const QString &heading) {
    static const QRegularExpression nextHeading(s("\n[A-Z][A-Z ]+\n"));
    const qsizetype start = page.indexOf(s("\n") + heading + s("\n"));
    if (start < 0) {
        return QString();
    }
    const qsizetype end = page.indexOf(nextHeading, start + heading.size() + 2);
    return page.mid(start, end < 0 ? -1 : end - start);
}

std::string sorted(const QSet<QString> &set) {
    QStringList list(set.begin(), set.end());
    list.sort();
    return list.join(s(" ")).toStdString();
}

class DebianPackageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_root = new QTemporaryDir();
        const QString package = debianPackage();
        s_package = new QString(package);
        s_unpacked =
            !package.isEmpty() && run(s("dpkg-deb"), {s("-x"), package, s_root->path()}).exitCode == 0;
    }
    static void TearDownTestSuite() {
        delete s_root;
        delete s_package;
    }
    void SetUp() override {
        ASSERT_TRUE(s_unpacked) << "no package to unpack in " << debianPackage().toStdString()
                                << "; cpack -G DEB makes it";
    }

    static QString installed(const QString &path) { return s_root->path() + s("/usr/") + path; }
    static QString program(const QString &name) { return installed(s("bin/") + name); }
    // What the installed programs see: their own folder first on the search path.
    static QProcessEnvironment installedEnvironment() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(s("PATH"), installed(s("bin")) + s(":") + environment.value(s("PATH")));
        environment.insert(s("QT_QPA_PLATFORM"), s("offscreen"));
        return environment;
    }
    static Ran completions(const QStringList &words, const QString &directory = QString()) {
        const QString script = s("source \"$1\"; shift; COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1)); "
                                 "_kinolark; printf '%s\\n' \"${COMPREPLY[@]}\"");
        return run(s("bash"),
                   QStringList{s("-c"), script, s("bash"),
                               installed(s("share/bash-completion/completions/kinolark"))} +
                       words,
                   installedEnvironment(), directory);
    }

    static inline QTemporaryDir *s_root = nullptr;
    static inline QString *s_package = nullptr;
    static inline bool s_unpacked = false;
};

TEST_F(DebianPackageTest, TheUnpackedCommandLineDownloadsAndConvertsAPageWithItsOwnResources) {
    // Every resource the build lays out is in the package, where the installed programs look for it.
    const QStringList resources = QDir(KLResources::resourcesDirectory()).entryList(QDir::Files);
    ASSERT_FALSE(resources.isEmpty());
    for (const QString &resource : resources) {
        // What the other scripts only source is no program.
        const bool program = resource != s("ffmpeg_report.sh");
        const QFileInfo file(installed(s("share/kinolarkpro/") + resource));
        EXPECT_TRUE(file.isFile() && file.isExecutable() == program) << resource.toStdString();
    }
    KLYTDLTestSite site;
    ASSERT_TRUE(site.addMedia(s("clip.mp4"), KLMediaFixtures::Clip360p));
    site.addPage(s("page.html"), s("Packaged Feature"), {s("clip.mp4")});
    ASSERT_TRUE(site.start());
    QTemporaryDir output;
    const Ran kinolark =
        run(program(s("kinolark")), {site.url(s("page.html")), s("-o"), output.path(), s("-c"), s("mp4")},
            installedEnvironment());
    ASSERT_EQ(kinolark.exitCode, 0) << kinolark.output.toStdString();
    const QStringList results = QDir(output.path()).entryList({s("*.mp4")}, QDir::Files);
    ASSERT_EQ(results.size(), 1) << kinolark.output.toStdString();
    EXPECT_TRUE(
        KLTestEnvironment::probeStreams(QDir(output.path()).filePath(results.first())).contains(s("video")));
}

TEST_F(DebianPackageTest, TheDesktopFilesPassTheirValidatorsAndTheServiceStartsTheInstalledProgram) {
    const QList<QStringList> validations = {
        {s("desktop-file-validate"), installed(s("share/applications/org.kinolark.KinolarkPro.desktop"))},
        {s("appstreamcli"), s("validate"), s("--no-net"),
         installed(s("share/metainfo/org.kinolark.KinolarkPro.metainfo.xml"))},
    };
    for (const QStringList &validation : validations) {
        const Ran validator = run(validation.first(), validation.mid(1));
        EXPECT_EQ(validator.exitCode, 0) << validation.join(s(" ")).toStdString() << "\n"
                                         << validator.output.toStdString();
    }
    QSettings service(installed(s("share/dbus-1/services/org.kinolark.KinolarkPro.service")),
                      QSettings::IniFormat);
    service.beginGroup(s("D-BUS Service"));
    EXPECT_EQ(service.value(s("Name")).toString(), applicationId);
    const QString exec = service.value(s("Exec")).toString();
    EXPECT_EQ(exec.section(QLatin1Char(' '), 0, 0), s("/usr/bin/kinolarkpro"));
    EXPECT_TRUE(QFileInfo(s_root->path() + exec.section(QLatin1Char(' '), 0, 0)).isExecutable());
}

TEST_F(DebianPackageTest, LintianFindsNoError) {
    const Ran lintian = run(s("lintian"), {s("--fail-on"), s("error"), *s_package},
                            QProcessEnvironment::systemEnvironment(), QString(), 300000);
    EXPECT_EQ(lintian.exitCode, 0) << lintian.output.toStdString();
}

TEST_F(DebianPackageTest, ManPagesHelpAndCompletionNameTheSameOptions) {
    const QStringList full = {s("OPTIONS"), s("EXIT STATUS"), s("FILES"), s("ENVIRONMENT"), s("EXAMPLES")};
    const struct {
        const char *name;
        QStringList sections;
        QSet<QString> notInHelp; // the helpers' short usage leaves out how to ask for it
    } programs[] = {
        {"kinolark", full, {}},
        {"kinolarkpro", full, {}},
        {"kinolark-links", {s("OPTIONS"), s("EXIT STATUS")}, {s("-h"), s("--help")}},
        {"kinolark-extension-host", {s("OPTIONS"), s("EXIT STATUS"), s("FILES")}, {s("--help")}},
    };
    for (const auto &tested : programs) {
        SCOPED_TRACE(tested.name);
        QProcessEnvironment environment = installedEnvironment();
        environment.insert(s("MANWIDTH"), s("100"));
        const Ran page =
            run(s("man"), {s("-l"), installed(s("share/man/man1/%1.1.gz").arg(s(tested.name)))}, environment);
        ASSERT_EQ(page.exitCode, 0) << page.output.toStdString();
        // Each section is there and says something.
        for (const QString &section : tested.sections) {
            EXPECT_GT(manSection(page.output, section).size(), 60) << section.toStdString();
        }
        const Ran help = run(program(s(tested.name)), {s("--help")}, environment);
        ASSERT_EQ(help.exitCode, 0) << help.output.toStdString();
        EXPECT_EQ(sorted(optionsIn(manSection(page.output, s("OPTIONS")))),
                  sorted(optionsIn(help.output) + tested.notInHelp));
    }
    const Ran help = run(program(s("kinolark")), {s("--help")});
    const Ran completion = completions({s("kinolark"), s("-")});
    EXPECT_EQ(sorted(optionsIn(completion.output)), sorted(optionsIn(help.output)));
}

TEST_F(DebianPackageTest, TheCompletionOffersTheValuesEachOptionTakes) {
    QTemporaryDir folder;
    QDir(folder.path()).mkdir(s("clips"));
    KLTestEnvironment::writeFile(folder.filePath(s("clip.mp4")), "x");
    const QString kinolark = program(s("kinolark"));
    const struct {
        QStringList words;
        QStringList expected;
    } cases[] = {
        // Preset names hold spaces and commas: typed quoted or escaped, in any letter case.
        {{kinolark, s("-p"), s("\"iphone x")}, {s("iPhone X")}},
        {{kinolark, s("--preset"), s("iPhone\\ 6+\\,")},
         {s("iPhone 6+, 6s+, 7+, 8+"), s("iPhone 6+, 6s+, 7+, 8+ (iOS 11+)")}},
        {{kinolark, s("-m"), s("audio")}, {s("audio-only")}},
        {{kinolark, s("--container"), s("w")}, {s("wmv"), s("webm"), s("wav")}},
        {{kinolark, s("--output"), s("="), s("")}, {s("clips")}},
        {{kinolark, s("-o"), s("")}, {s("clips")}},
        {{kinolark, s("--print-ffmpeg-params"), s("c")}, {s("clips"), s("clip.mp4")}},
        {{kinolark, s("--ver")}, {s("--verbose"), s("--version")}},
    };
    for (const auto &test : cases) {
        const Ran completion = completions(test.words, folder.path());
        QStringList offered = completion.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QStringList expected = test.expected;
        offered.sort();
        expected.sort();
        EXPECT_EQ(offered.join(s(" | ")).toStdString(), expected.join(s(" | ")).toStdString())
            << test.words.mid(1).join(s(" ")).toStdString();
    }
}

// The program as the desktop starts it: by D-Bus activation through the packaged service file, then
// reached by xdg-open with a kinlkurl link through the packaged desktop entry.
class PackagedDesktopTest : public DebianPackageTest {
protected:
    static void SetUpTestSuite() {
        DebianPackageTest::SetUpTestSuite();
        // The bus, and the program it starts, live in this environment: the test's own folders, display and
        // search path, and the service file naming the unpacked program.
        s_display = new KLVirtualDisplay();
        s_bus = new KLPrivateSessionBus();
        s_ready = s_unpacked && s_display->start();
        qputenv("DISPLAY", s_display->display().toUtf8());
        qputenv("QT_QPA_PLATFORM", "xcb");
        qputenv("PATH", installedEnvironment().value(s("PATH")).toUtf8());
        const QString services = dataHome() + s("/dbus-1/services");
        QDir().mkpath(services);
        QString service = KLTestEnvironment::readFile(
            installed(s("share/dbus-1/services/org.kinolark.KinolarkPro.service")));
        service.replace(s("Exec=/usr/"), s("Exec=") + installed(QString()));
        KLTestEnvironment::writeFile(services + s("/org.kinolark.KinolarkPro.service"), service.toUtf8());
        s_ready = s_ready && s_bus->start();
    }
    static void TearDownTestSuite() {
        delete s_bus;
        delete s_display;
        DebianPackageTest::TearDownTestSuite();
    }
    void SetUp() override {
        DebianPackageTest::SetUp();
        ASSERT_TRUE(s_ready) << "no X server or session bus for the desktop program";
    }
    void TearDown() override {
        // The bus started the program: it is nobody's child here, and ends as the desktop ends it.
        QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
        const uint pid = bus->servicePid(applicationId).value();
        if (pid != 0) {
            ::kill(static_cast<pid_t>(pid), SIGTERM);
            if (!KLTestEnvironment::waitUntil(
                    [bus] { return !bus->isServiceRegistered(applicationId).value(); }, 20s)) {
                ::kill(static_cast<pid_t>(pid), SIGKILL);
            }
        }
    }
    static void storeSettings(const QString &downloads) {
        KLSettingsStore(KLDefaultPreferences::storeFilePath()).write([&downloads](QSettings &settings) {
            settings.setValue(KLDefaultPreferences::storeMarkerKey, s("yes"));
            settings.setValue(s("automaticallyStartDownloading"), s("yes"));
            settings.setValue(s("downloadLocation"), downloads);
        });
    }

    static inline KLVirtualDisplay *s_display = nullptr;
    static inline KLPrivateSessionBus *s_bus = nullptr;
    static inline bool s_ready = false;
};

TEST_F(PackagedDesktopTest, TheBusStartsTheProgramAndXdgOpenHandsItAKinlkurlLink) {
    KLYTDLTestSite site;
    ASSERT_TRUE(site.addMedia(s("clip.mp4"), KLMediaFixtures::Clip360p));
    site.addPage(s("first.html"), s("First Feature"), {s("clip.mp4")});
    site.addPage(s("second.html"), s("Second Feature"), {s("clip.mp4")});
    ASSERT_TRUE(site.start());
    QTemporaryDir downloads;
    storeSettings(downloads.path());
    const auto finished = [&downloads](int count) {
        return KLTestEnvironment::waitUntil(
            [&downloads, count] { return QDir(downloads.path()).entryList(QDir::Files).size() >= count; },
            180s);
    };
    const auto kinlkurl = [&site](const char *page) {
        return site.url(s(page)).replace(s("http://"), s("kinlkurl://"));
    };

    // Nothing runs: the desktop's Open starts the program through the service file.
    QDBusMessage open = QDBusMessage::createMethodCall(applicationId, s("/org/kinolark/KinolarkPro"),
                                                       s("org.freedesktop.Application"), s("Open"));
    open.setArguments({QStringList{kinlkurl("first.html")}, QVariantMap()});
    const QDBusMessage reply = QDBusConnection::sessionBus().call(open, QDBus::Block, 60000);
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    ASSERT_TRUE(finished(1));

    // A desktop without a session of its own: xdg-open finds the handler through the desktop entry.
    const QString applications = dataHome() + s("/applications");
    QDir().mkpath(applications);
    QFile::copy(installed(s("share/applications/org.kinolark.KinolarkPro.desktop")),
                applications + s("/org.kinolark.KinolarkPro.desktop"));
    QProcessEnvironment desktop = QProcessEnvironment::systemEnvironment();
    // The desktop's own lookup (gio, as the package's trigger updates the cache) finds it for both schemes.
    ASSERT_EQ(run(s("update-desktop-database"), {applications}).exitCode, 0);
    for (const char *scheme : {"x-scheme-handler/kinlkurl", "x-scheme-handler/kinlkurls"}) {
        const Ran handlers = run(s("gio"), {s("mime"), s(scheme)}, desktop);
        EXPECT_TRUE(handlers.output.contains(s("\torg.kinolark.KinolarkPro.desktop")))
            << scheme << "\n"
            << handlers.output.toStdString();
    }
    for (const char *session :
         {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID"}) {
        desktop.remove(s(session));
    }
    desktop.insert(s("BROWSER"), s("false")); // no browser may take the link instead
    const Ran registered =
        run(s("xdg-mime"),
            {s("default"), s("org.kinolark.KinolarkPro.desktop"), s("x-scheme-handler/kinlkurl")}, desktop);
    ASSERT_EQ(registered.exitCode, 0) << registered.output.toStdString();
    const Ran opened = run(s("xdg-open"), {kinlkurl("second.html")}, desktop, QString(), 30000);
    ASSERT_EQ(opened.exitCode, 0) << opened.output.toStdString();
    ASSERT_TRUE(finished(2));
    EXPECT_EQ(QDir(downloads.path()).entryList({s("Second Feature*")}, QDir::Files).size(), 1);
}

} // namespace
