#include "KLDesktopApplication.h"
#include "Scripting/KLInstanceClient.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include <cstdio>
#include <optional>

namespace {

// A command for the running instance: its method and arguments.
struct Command {
    QString method;
    QVariantList arguments;
};

struct Options {
    QStringList urls;
    std::optional<Command> command;
};

// Nothing, with the reason printed, for a usage error.
std::optional<Options> parseOptions(const QStringList &arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Downloads videos from web pages and converts them."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("urls"),
                                 QStringLiteral("Web pages, links, files or folders."),
                                 QStringLiteral("[URL...]"));
    const QCommandLineOption analyze(QStringLiteral("analyze"),
                                     QStringLiteral("Analyse the URL in the running program."),
                                     QStringLiteral("URL"));
    const QList<QPair<QString, QString>> plain = {
        {QStringLiteral("process-all"), QStringLiteral("ProcessAll")},
        {QStringLiteral("pause-all"), QStringLiteral("PauseAll")},
        {QStringLiteral("resume-all"), QStringLiteral("ResumeAll")},
        {QStringLiteral("clear-all"), QStringLiteral("ClearAll")},
        {QStringLiteral("clear-completed"), QStringLiteral("ClearCompleted")},
        {QStringLiteral("grab-firefox"), QStringLiteral("GrabFirefox")},
        {QStringLiteral("grab-chrome"), QStringLiteral("GrabChrome")}};
    parser.addOption(analyze);
    for (const auto &[name, method] : plain) {
        parser.addOption(
            QCommandLineOption(name, QStringLiteral("Call %1 in the running program.").arg(method)));
    }
    if (!parser.parse(arguments)) {
        fprintf(stderr, "kinolarkpro: %s\nTry 'kinolarkpro --help'.\n", qPrintable(parser.errorText()));
        return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        parser.showHelp(0);
    }
    if (parser.isSet(QStringLiteral("version"))) {
        parser.showVersion();
    }
    Options options;
    options.urls = parser.positionalArguments();
    QList<Command> commands;
    if (parser.isSet(analyze)) {
        commands << Command{QStringLiteral("Analyze"), {parser.value(analyze)}};
    }
    for (const auto &[name, method] : plain) {
        if (parser.isSet(name)) {
            commands << Command{method, {}};
        }
    }
    if (commands.size() > 1 || (!commands.isEmpty() && !options.urls.isEmpty())) {
        fprintf(stderr, "kinolarkpro: give one command, or URLs, not both\n");
        return std::nullopt;
    }
    if (!commands.isEmpty()) {
        options.command = commands.first();
    }
    return options;
}

void setIdentity() {
    QCoreApplication::setApplicationName(QStringLiteral("KinolarkPro"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KINOLARK_APP_VERSION));
}

} // namespace

int main(int argc, char **argv) {
    std::optional<Options> options;
    {
        // The options, and the commands for the running program, need no display: only the window does,
        // so that `--help` or `--process-all` also work over a plain terminal.
        QCoreApplication commandLine(argc, argv);
        setIdentity();
        options = parseOptions(QCoreApplication::arguments());
        if (!options) {
            return 2;
        }
        if (options->command) {
            return KLInstanceClient::call(options->command->method, options->command->arguments);
        }
    }
    QApplication application(argc, argv);
    setIdentity();
    QApplication::setDesktopFileName(QStringLiteral("org.kinolark.KinolarkPro"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.kinolark.KinolarkPro"),
                                                 QIcon(QStringLiteral(":/artwork/kinolarkpro.svg"))));
    // The window ends the program itself, after it has cleaned up.
    QApplication::setQuitOnLastWindowClosed(false);

    KLDesktopApplication desktop;
    if (!desktop.becomeTheInstance()) {
        return KLInstanceClient::open(options->urls);
    }
    desktop.launch(options->urls);
    return QApplication::exec();
}
