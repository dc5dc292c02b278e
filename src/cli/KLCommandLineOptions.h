#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class KLDefaultPreferences;

// What the command line asked for, read by QCommandLineParser. Settings given here apply to this run only,
// unless --save.
class KLCommandLineOptions final {
public:
    enum class Action { Run, Help, Version, ListPresets, PrintFFMPEGParameters };

    // Nothing, with `error` set, for a usage error.
    static std::optional<KLCommandLineOptions> parse(const QStringList &arguments, QString *error);
    static QString helpText();

    // Applies the conversion and scheduling settings to the stored preferences (written only with --save).
    bool applyTo(KLDefaultPreferences &preferences, QString *error) const;

    Action action = Action::Run;
    QStringList inputs;
    QString outputDirectory;
    QString preset;
    QString mode;
    QString container;
    bool subtitles = false;
    std::optional<qulonglong> downloads;
    std::optional<qulonglong> processing;
    QString ffmpegParametersFile;
    bool json = false;
    bool verbose = false;
    bool save = false;
    // Whether a download continues what an interrupted run of the same address kept.
    bool continueDownloads = true;
    // The cookies the sites see: a cookie file for this run only, or a browser's (stored with --save).
    QString cookieFile;
    QString cookiesFromBrowser;

private:
    // Takes one option, by its long name, with its value (empty for a switch); false with `error` set when
    // the value cannot be used.
    bool take(const QString &name, const QString &value, QString *error);
    void takeSwitch(const QString &name);
    // A container of sound alone switches a video mode to sound only; with video only it is refused.
    bool useSoundOnlyContainer(KLDefaultPreferences &preferences, const QString &container,
                               QString *error) const;
    static std::optional<QString> matchCaseInsensitive(const QString &name, const QStringList &choices);
};
