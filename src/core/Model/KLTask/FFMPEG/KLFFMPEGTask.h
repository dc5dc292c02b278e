#pragma once

#include "Model/KLTask/Basic/KLScriptTask.h"
#include "Utils/KLScriptErrorOutput.h"

#include <QString>

#include <optional>

// What the conversion and the muxing tasks share: run one ffmpeg script, follow its report line by line
// (the input's "  Duration" line, then the progress lines' "time=" fields) to publish the completion
// factor, and judge the outcome by the output file: it exists exactly when ffmpeg succeeded, as the
// scripts remove it otherwise. On success the result is the output path (a QString); on failure the error
// is type 6 "Conversion failed...", followed by what ffmpeg said went wrong.
class KLFFMPEGTask : public KLScriptTask {
public:
    // The script command this task runs.
    virtual QString getFFMPEGCommand() const = 0;

    QString outputPath() const { return m_outputPath; }
    // The input's length as ffmpeg reported it; 0 until its duration line has been read.
    double durationInSeconds() const { return m_durationInSeconds; }

    // The time of a "  Duration: 00:01:40.00, start: ..." line, nothing for any other line.
    static std::optional<double> durationFromLine(const QString &line);
    // The time between "time=" and " bitrate" of a report line; nothing when either marker is missing or
    // the text between them is no hours:minutes:seconds time.
    static std::optional<double> progressTimeFromLine(const QString &line);

protected:
    explicit KLFFMPEGTask(const QString &outputPath);

    // Which report lines carry progress for this task.
    virtual bool isProgressLine(const QString &line) const = 0;

    void doTaskMain() override;
    // ffmpeg reports its errors among its report lines, on the script's standard output.
    QString failureCause() const override;

private:
    void readFFMPEGLine(const QString &line);
    void scriptEnded();

    const QString m_outputPath;
    // The report lines that are neither progress nor duration.
    KLScriptErrorOutput m_messages;
    double m_durationInSeconds = 0.0;
};
