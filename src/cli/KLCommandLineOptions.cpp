#include "KLCommandLineOptions.h"

#include "Model/Preferences/KLDefaultPreferences.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Options that take a value, by every spelling.
bool takesValue(const QString &option) {
    static const QStringList valued = {QStringLiteral("-o"),
                                       QStringLiteral("--output"),
                                       QStringLiteral("-p"),
                                       QStringLiteral("--preset"),
                                       QStringLiteral("-m"),
                                       QStringLiteral("--mode"),
                                       QStringLiteral("-c"),
                                       QStringLiteral("--container"),
                                       QStringLiteral("--downloads"),
                                       QStringLiteral("--processing"),
                                       QStringLiteral("--print-ffmpeg-params")};
    return valued.contains(option);
}

std::optional<qulonglong> positiveNumber(const QString &text) {
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok);
    return ok && value > 0 && value < 1000 ? std::optional<qulonglong>(value) : std::nullopt;
}

} // namespace

std::optional<KLCommandLineOptions> KLCommandLineOptions::parse(const QStringList &arguments,
                                                                QString *error) {
    KLCommandLineOptions options;
    bool onlyInputs = false;
    for (qsizetype index = 1; index < arguments.size(); ++index) {
        QString argument = arguments.at(index);
        QString value;
        if (!onlyInputs && argument.startsWith(QStringLiteral("--")) && argument.contains(QLatin1Char('='))) {
            value = argument.section(QLatin1Char('='), 1);
            argument = argument.section(QLatin1Char('='), 0, 0);
        } else if (!onlyInputs && takesValue(argument)) {
            if (index + 1 >= arguments.size()) {
                *error = QStringLiteral("%1 needs a value").arg(argument);
                return std::nullopt;
            }
            value = arguments.at(++index);
        }
        if (onlyInputs || !argument.startsWith(QLatin1Char('-')) || argument == QStringLiteral("-")) {
            options.inputs << arguments.at(index);
        } else if (argument == QStringLiteral("--")) {
            onlyInputs = true;
        } else if (argument == QStringLiteral("-h") || argument == QStringLiteral("--help")) {
            options.action = Action::Help;
        } else if (argument == QStringLiteral("-v") || argument == QStringLiteral("--version")) {
            options.action = Action::Version;
        } else if (argument == QStringLiteral("--list-presets")) {
            options.action = Action::ListPresets;
        } else if (argument == QStringLiteral("--print-ffmpeg-params")) {
            options.action = Action::PrintFFMPEGParameters;
            options.ffmpegParametersFile = value;
        } else if (argument == QStringLiteral("-o") || argument == QStringLiteral("--output")) {
            options.outputDirectory = value;
        } else if (argument == QStringLiteral("-p") || argument == QStringLiteral("--preset")) {
            options.preset = value;
        } else if (argument == QStringLiteral("-m") || argument == QStringLiteral("--mode")) {
            options.mode = value;
        } else if (argument == QStringLiteral("-c") || argument == QStringLiteral("--container")) {
            options.container = value;
        } else if (argument == QStringLiteral("--subtitles")) {
            options.subtitles = true;
        } else if (argument == QStringLiteral("--downloads") || argument == QStringLiteral("--processing")) {
            const std::optional<qulonglong> number = positiveNumber(value);
            if (!number) {
                *error = QStringLiteral("%1 takes a number from 1 to 999").arg(argument);
                return std::nullopt;
            }
            (argument == QStringLiteral("--downloads") ? options.downloads : options.processing) = number;
        } else if (argument == QStringLiteral("--verbose")) {
            options.verbose = true;
        } else if (argument == QStringLiteral("--json")) {
            options.json = true;
        } else if (argument == QStringLiteral("--save")) {
            options.save = true;
        } else {
            *error = QStringLiteral("unknown option %1").arg(argument);
            return std::nullopt;
        }
    }
    if (options.action == Action::Run && options.inputs.isEmpty()) {
        *error = QStringLiteral("nothing to do: give URLs, files or folders");
        return std::nullopt;
    }
    return options;
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
        "      --save                keep these settings for later runs and the application\n"
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
