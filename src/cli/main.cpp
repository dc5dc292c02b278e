#include "App/KLAppDelegate.h"
#include "Flow/FFMPEG/KLFFMPEGCommandFactory.h"
#include "KLCommandLineOptions.h"
#include "KLCommandLineRun.h"
#include "Model/KLTask/Basic/KLVideoProperties.h"
#include "Model/KLTask/FFMPEG/KLGetLocalVideoPropertiesTask.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLLog.h"
#include "Utils/KLScriptManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTextStream>

#include <chrono>
#include <csignal>
#include <cstdio>

namespace {

// Without --verbose the diagnostic lines stay out of the way of the progress; warnings still show. The rule
// is set both ways, so --verbose also wins over a logging configuration file; QT_LOGGING_RULES wins over it.
void showDiagnostics(bool verbose) {
    QLoggingCategory::setFilterRules(QStringLiteral("%1.info=%2")
                                         .arg(QLatin1String(kinolarkDiagnostic().categoryName()),
                                              verbose ? QStringLiteral("true") : QStringLiteral("false")));
}

int printFFMPEGParameters(const KLCommandLineOptions &options) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    auto preferences = std::make_shared<KLDefaultPreferences>();
    preferences->load();
    preferences->setSaving(false);
    QString error;
    if (!options.applyTo(*preferences, &error)) {
        err << "kinolark: " << error << Qt::endl;
        return 2;
    }
    const QString file = QFileInfo(options.ffmpegParametersFile).absoluteFilePath();
    auto task = std::make_shared<KLGetLocalVideoPropertiesTask>(file, false);
    task->start();
    task->wait();
    const auto properties = task->resultAs<std::shared_ptr<KLVideoProperties>>();
    if (task->error() != nullptr || properties == nullptr) {
        err << "kinolark: cannot read " << options.ffmpegParametersFile << Qt::endl;
        return 1;
    }
    if (preferences->container() == KLPreferences::downloadOnlyNoConversion) {
        return 0; // nothing is converted
    }
    QTemporaryDir folder;
    const QStringList parameters = KLFFMPEGCommandFactory().generateFFMPEGParametersForPreferences(
        *preferences, *properties, folder.path());
    for (const QString &text : parameters) {
        out << text.trimmed() << Qt::endl;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kinolark"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KINOLARK_CLI_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QString error;
    const std::optional<KLCommandLineOptions> options =
        KLCommandLineOptions::parse(application.arguments(), &error);
    if (!options) {
        err << "kinolark: " << error << Qt::endl << "Try 'kinolark --help'." << Qt::endl;
        return 2;
    }
    showDiagnostics(options->verbose);
    if (!options->verbose) {
        KLScriptManager::setDiscardErrorOutput(true);
    }
    switch (options->action) {
    case KLCommandLineOptions::Action::Help:
        out << KLCommandLineOptions::helpText();
        return 0;
    case KLCommandLineOptions::Action::Version:
        out << "kinolark " << QCoreApplication::applicationVersion() << Qt::endl;
        return 0;
    case KLCommandLineOptions::Action::ListPresets:
        for (const QString &preset : KLPreferences::listOutputFors()) {
            out << preset << Qt::endl;
        }
        return 0;
    case KLCommandLineOptions::Action::PrintFFMPEGParameters:
        return printFFMPEGParameters(*options);
    case KLCommandLineOptions::Action::Run:
        break;
    }

    // A reader that goes away (a pipe into "head") must not kill the run before it has cleaned up.
    ::signal(SIGPIPE, SIG_IGN);
    int status = 0;
    std::shared_ptr<KLDefaultPreferences> preferences;
    {
        KLCommandLineRun run(*options);
        int failure = 0;
        if (!run.start(&error, &failure)) {
            if (failure != 0) {
                return failure;
            }
            err << "kinolark: " << error << Qt::endl;
            return 2;
        }
        preferences = run.preferences();
        status = QCoreApplication::exec();
        run.endDownloaderUpdate();
    }
    // The background jobs end and the stopped scripts exit; then what the settings still hold unwritten is
    // written, and this run's scratch folder goes.
    KLDispatch::waitForBackgroundJobs(std::chrono::seconds(10));
    KLScriptInstance::waitForAllToExit(std::chrono::milliseconds(300));
    if (preferences != nullptr) {
        preferences->flush();
    }
    KLKinolarkUtils::removeScratchDirectory();
    return status;
}
