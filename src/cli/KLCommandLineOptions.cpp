#include "KLCommandLineOptions.h"

#include "Model/KLTask/YTDL/KLDownloaderCookies.h"
#include "Model/Preferences/KLDefaultPreferences.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace {

// Every option by its long name, with its short one where it has one.
struct Described {
    QString name;
    QString shortName;
    bool valued = false;
};

const QList<Described> &describedOptions() {
    static const QList<Described> options = {
        {QStringLiteral("output"), QStringLiteral("o"), true},
        {QStringLiteral("preset"), QStringLiteral("p"), true},
        {QStringLiteral("mode"), QStringLiteral("m"), true},
        {QStringLiteral("container"), QStringLiteral("c"), true},
        {QStringLiteral("subtitles"), QString(), false},
        {QStringLiteral("downloads"), QString(), true},
        {QStringLiteral("processing"), QString(), true},
        {QStringLiteral("no-continue"), QString(), false},
        {QStringLiteral("cookies"), QString(), true},
        {QStringLiteral("cookies-from-browser"), QString(), true},
        {QStringLiteral("save"), QString(), false},
        {QStringLiteral("json"), QString(), false},
        {QStringLiteral("verbose"), QString(), false},
        {QStringLiteral("list-presets"), QString(), false},
        {QStringLiteral("print-ffmpeg-params"), QString(), true},
        {QStringLiteral("help"), QStringLiteral("h"), false},
        {QStringLiteral("version"), QStringLiteral("v"), false},
    };
    return options;
}

// The option a name stands for; none for a name the program does not know.
const Described *describedOption(const QString &name) {
    const auto &options = describedOptions();
    const auto found = std::find_if(options.begin(), options.end(), [&name](const Described &option) {
        return option.name == name || option.shortName == name;
    });
    return found != options.end() ? &*found : nullptr;
}

void describeTo(QCommandLineParser &parser) {
    // "-output" reads as "--output" and "-ofoo" is unknown, as they always were: read as compacted short
    // options, "-output DIR" would quietly send the results to a folder named "utput".
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    // The help and the version are options of our own: the parser's would bring "-?" and "--help-all".
    for (const Described &option : describedOptions()) {
        QStringList names{option.name};
        if (!option.shortName.isEmpty()) {
            names.prepend(option.shortName);
        }
        parser.addOption(
            QCommandLineOption(names, QString(), option.valued ? QStringLiteral("value") : QString()));
    }
}

// The name an option argument gives: "--output=x" and "-output" both give "output".
QString nameIn(const QString &argument) {
    return argument.mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1).section(QLatin1Char('='), 0, 0);
}

// The option arguments as typed: everything before a "--" that starts with a dash, but a lone dash.
QStringList optionArguments(const QStringList &arguments) {
    QStringList options;
    for (const QString &argument : arguments.mid(1)) {
        if (argument == QStringLiteral("--")) {
            break;
        }
        if (argument.startsWith(QLatin1Char('-')) && argument != QStringLiteral("-")) {
            options << argument;
        }
    }
    return options;
}

// An unknown option as the user typed it; after a double dash without what follows "=".
QString typedUnknown(const QString &name, const QStringList &arguments) {
    for (const QString &argument : optionArguments(arguments)) {
        if (nameIn(argument) == name) {
            return argument.startsWith(QStringLiteral("--")) && !name.isEmpty()
                       ? argument.section(QLatin1Char('='), 0, 0)
                       : argument;
        }
    }
    return name;
}

// An option that took fewer values than it was given: the last argument, left without one.
bool lacksValue(const QCommandLineParser &parser) {
    const QStringList given = parser.optionNames();
    for (const Described &option : describedOptions()) {
        const auto times = std::count_if(given.begin(), given.end(), [&option](const QString &name) {
            return describedOption(name) == &option;
        });
        if (option.valued && parser.values(option.name).size() < times) {
            return true;
        }
    }
    return false;
}

// An option that takes no value given one ("--json=yes"), as typed before the "="; empty for none.
QString switchGivenValue(const QStringList &arguments) {
    for (const QString &argument : optionArguments(arguments)) {
        const Described *option = describedOption(nameIn(argument));
        if (option != nullptr && !option->valued && argument.contains(QLatin1Char('='))) {
            return argument.section(QLatin1Char('='), 0, 0);
        }
    }
    return QString();
}

// The parser's complaint in this program's words: an unknown option, an option without its value, or a
// value given to an option that takes none.
QString usageError(const QCommandLineParser &parser, const QStringList &arguments) {
    if (!parser.unknownOptionNames().isEmpty()) {
        return QStringLiteral("unknown option %1")
            .arg(typedUnknown(parser.unknownOptionNames().first(), arguments));
    }
    if (lacksValue(parser)) {
        return QStringLiteral("%1 needs a value").arg(arguments.last());
    }
    if (const QString typed = switchGivenValue(arguments); !typed.isEmpty()) {
        return QStringLiteral("%1 takes no value").arg(typed);
    }
    return parser.errorText();
}

std::optional<qulonglong> positiveNumber(const QString &text) {
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok);
    return ok && value > 0 && value < 1000 ? std::optional<qulonglong>(value) : std::nullopt;
}

} // namespace

std::optional<KLCommandLineOptions> KLCommandLineOptions::parse(const QStringList &arguments,
                                                                QString *error) {
    QCommandLineParser parser;
    describeTo(parser);
    if (!parser.parse(arguments)) {
        *error = usageError(parser, arguments);
        return std::nullopt;
    }
    KLCommandLineOptions options;
    options.inputs = parser.positionalArguments();
    // The options in the order given, each with its own value, so that the last of a kind wins and the
    // first wrong number is the one reported.
    QHash<QString, qsizetype> valuesTaken;
    for (const QString &given : parser.optionNames()) {
        const Described &option = *describedOption(given);
        const QString value =
            option.valued ? parser.values(option.name).value(valuesTaken[option.name]++) : QString();
        if (!options.take(option.name, value, error)) {
            return std::nullopt;
        }
    }
    if (options.action == Action::Run && options.inputs.isEmpty()) {
        *error = QStringLiteral("nothing to do: give URLs, files or folders");
        return std::nullopt;
    }
    return options;
}

bool KLCommandLineOptions::take(const QString &name, const QString &value, QString *error) {
    if (name == QStringLiteral("help")) {
        action = Action::Help;
    } else if (name == QStringLiteral("version")) {
        action = Action::Version;
    } else if (name == QStringLiteral("list-presets")) {
        action = Action::ListPresets;
    } else if (name == QStringLiteral("print-ffmpeg-params")) {
        action = Action::PrintFFMPEGParameters;
        ffmpegParametersFile = value;
    } else if (name == QStringLiteral("cookies")) {
        if (!QFileInfo(value).isFile() || !QFileInfo(value).isReadable()) {
            *error = QStringLiteral("cannot read the cookie file %1").arg(value);
            return false;
        }
        cookieFile = QFileInfo(value).absoluteFilePath();
    } else if (name == QStringLiteral("cookies-from-browser")) {
        if (!KLDownloaderCookies::isKnownBrowser(value)) {
            *error =
                QStringLiteral("unknown browser %1 (firefox, chromium or chrome, with :PROFILE)").arg(value);
            return false;
        }
        cookiesFromBrowser = value;
    } else if (name == QStringLiteral("output")) {
        outputDirectory = value;
    } else if (name == QStringLiteral("preset")) {
        preset = value;
    } else if (name == QStringLiteral("mode")) {
        mode = value;
    } else if (name == QStringLiteral("container")) {
        container = value;
    } else if (name == QStringLiteral("downloads") || name == QStringLiteral("processing")) {
        const std::optional<qulonglong> number = positiveNumber(value);
        if (!number) {
            *error = QStringLiteral("--%1 takes a number from 1 to 999").arg(name);
            return false;
        }
        (name == QStringLiteral("downloads") ? downloads : processing) = number;
    } else {
        takeSwitch(name);
    }
    return true;
}

void KLCommandLineOptions::takeSwitch(const QString &name) {
    if (name == QStringLiteral("subtitles")) {
        subtitles = true;
    } else if (name == QStringLiteral("verbose")) {
        verbose = true;
    } else if (name == QStringLiteral("json")) {
        json = true;
    } else if (name == QStringLiteral("save")) {
        save = true;
    } else if (name == QStringLiteral("no-continue")) {
        continueDownloads = false;
    }
}

std::optional<QString> KLCommandLineOptions::matchCaseInsensitive(const QString &name,
                                                                  const QStringList &choices) {
    for (const QString &choice : choices) {
        if (choice.compare(name, Qt::CaseInsensitive) == 0) {
            return choice;
        }
    }
    return std::nullopt;
}

bool KLCommandLineOptions::applyTo(KLDefaultPreferences &preferences, QString *error) const {
    if (!outputDirectory.isEmpty()) {
        const QFileInfo folder(outputDirectory);
        if (!folder.isDir() && !QDir().mkpath(outputDirectory)) {
            *error = QStringLiteral("cannot use %1 as the output folder").arg(outputDirectory);
            return false;
        }
        preferences.setDownloadLocation(QFileInfo(outputDirectory).absoluteFilePath());
    }
    if (!mode.isEmpty()) {
        static const QStringList modes = {QStringLiteral("video-only"), QStringLiteral("audio-only"),
                                          QStringLiteral("video-and-audio")};
        const qsizetype found = modes.indexOf(mode.toLower());
        if (found < 0) {
            *error = QStringLiteral("unknown mode %1 (video-and-audio, video-only or audio-only)").arg(mode);
            return false;
        }
        preferences.setOutputMode(static_cast<KLOutputMode>(found));
    }
    if (!preset.isEmpty()) {
        const std::optional<QString> known = matchCaseInsensitive(preset, KLPreferences::listOutputFors());
        if (!known) {
            *error = QStringLiteral("unknown preset %1 (see --list-presets)").arg(preset);
            return false;
        }
        preferences.setupOutputFor(*known);
    }
    if (!container.isEmpty()) {
        QStringList containers = KLPreferences::listVideoContainers() + KLPreferences::listAudioContainers();
        containers.removeDuplicates();
        const std::optional<QString> known =
            container.compare(QStringLiteral("download-only"), Qt::CaseInsensitive) == 0
                ? std::optional<QString>(KLPreferences::downloadOnlyNoConversion)
                : matchCaseInsensitive(container, containers);
        if (!known) {
            *error = QStringLiteral("unknown container %1").arg(container);
            return false;
        }
        if (!useSoundOnlyContainer(preferences, *known, error)) {
            return false;
        }
        preferences.setupContainer(*known);
    }
    if (subtitles) {
        preferences.setUseSubtitles(true);
    }
    if (downloads) {
        preferences.setNumberOfConcurrentDownloads(*downloads);
    }
    if (processing) {
        preferences.setNumberOfConcurrentProcessing(*processing);
    }
    if (!cookiesFromBrowser.isEmpty()) {
        preferences.setCookiesFromBrowser(cookiesFromBrowser);
    }
    preferences.setCookieFile(cookieFile); // never stored: the settings have no place for it
    return true;
}

bool KLCommandLineOptions::useSoundOnlyContainer(KLDefaultPreferences &preferences, const QString &container,
                                                 QString *error) const {
    if (!KLPreferences::holdsSoundOnly(container) || preferences.outputMode() == KLOutputMode::AudioOnly) {
        return true;
    }
    if (mode.compare(QStringLiteral("video-only"), Qt::CaseInsensitive) == 0) {
        *error = QStringLiteral("%1 files hold sound only: use them with -m audio-only").arg(container);
        return false;
    }
    // As choosing the mode in the window does: the preset is applied again for sound alone.
    preferences.setOutputMode(KLOutputMode::AudioOnly);
    preferences.setupOutputFor(preferences.outputFor());
    return true;
}

QString KLCommandLineOptions::helpText() {
    return QStringLiteral(
        "Usage: kinolark [OPTIONS] URL|FILE|FOLDER...\n"
        "Downloads the videos found at the URLs (or takes the local files and folders), converts them with "
        "the\n"
        "stored settings or those given here, and puts the results in the download folder.\n"
        "\n"
        "  -o, --output DIR          put the results in DIR\n"
        "  -p, --preset NAME         convert for a device (see --list-presets; any letter case)\n"
        "  -m, --mode MODE           video-and-audio, video-only or audio-only\n"
        "  -c, --container NAME      mp4, mov, avi, webm, mp3, m4a, ... or download-only (no conversion);\n"
        "                            a container of sound (mp3, m4a, wav, ogg) keeps the sound only\n"
        "      --subtitles           download subtitles where offered\n"
        "      --downloads N         downloads running at once\n"
        "      --processing N        conversions running at once\n"
        "      --no-continue         fetch every video afresh instead of continuing what an interrupted run\n"
        "                            of the same address left\n"
        "      --cookies FILE        send the cookies of FILE (Netscape format) to the sites, for this run\n"
        "                            only (a copy is used; FILE is never changed)\n"
        "      --cookies-from-browser BROWSER[:PROFILE]\n"
        "                            send the cookies of firefox, chromium or chrome (its default profile,\n"
        "                            or PROFILE), where sites want you signed in\n"
        "      --save                keep these settings for later runs and the application (a cookie file\n"
        "                            is never kept)\n"
        "      --json                one JSON object per line for every change of an entry\n"
        "      --verbose             write the program's diagnostic lines to standard error\n"
        "      --list-presets        list the device presets and exit\n"
        "      --print-ffmpeg-params FILE\n"
        "                            print the ffmpeg parameters the settings give for FILE and exit\n"
        "  -h, --help                show this help\n"
        "  -v, --version             show the version\n"
        "\n"
        "Exit status: 0 when every entry is done, 1 when any failed or was cancelled or a needed tool is\n"
        "missing, 2 for a usage error, 3 when nothing was found, 128 + the signal's number when interrupted\n"
        "(130 after Ctrl-C, 129 when the terminal closed, 143 when asked to terminate).\n");
}
