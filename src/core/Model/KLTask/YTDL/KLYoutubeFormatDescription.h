#pragma once

#include <QSizeF>
#include <QString>

#include <cstdint>
#include <memory>

// One format that a video page offers, as one line of the downloader's format table lists it. Filled by the
// listing and read by entries and views, all on the main thread.
class KLYoutubeFormatDescription final {
public:
    static constexpr int32_t videoAndAudioMode = 0;
    static constexpr int32_t videoOnlyMode = 1;
    static constexpr int32_t audioOnlyMode = 2;

    // The record for one tab-separated table line "code<TAB>extension<TAB>note", or nothing for a line that
    // describes no format (fewer than three fields, an empty format code).
    static std::shared_ptr<KLYoutubeFormatDescription> parseFormatLine(const QString &line);

    // The downloader's format code, handed back to it to download this format.
    QString itag() const;
    void setItag(const QString &itag);
    // The file extension, such as "mp4", "webm" or "m4a".
    QString type() const;
    void setType(const QString &type);
    int32_t mode() const;
    void setMode(int32_t mode);
    // Picture size in pixels; (0, 0) for audio-only formats.
    QSizeF size() const;
    void setSize(const QSizeF &size);
    // Frames per second; 0 when not given.
    uint64_t fps() const;
    void setFps(uint64_t fps);
    // Audio bit rate in kbit/s of an audio-only format; 0 otherwise.
    uint64_t abr() const;
    void setAbr(uint64_t abr);

    // The picture size that a note column starting with "WIDTHxHEIGHT" gives; parts that are no number
    // count as 0.
    static QSizeF parseSize(const QString &note);
    // The frame rate written as "NNfps" in the note column, or 0.
    static uint64_t parseFps(const QString &note);
    // The audio bit rate written as "codec@NNNk" (blanks allowed after the "@") in the note column, or 0.
    static uint64_t parseAbr(const QString &note);

private:
    QString m_itag;
    QString m_type;
    int32_t m_mode = videoAndAudioMode;
    QSizeF m_size{0.0, 0.0};
    uint64_t m_fps = 0;
    uint64_t m_abr = 0;
};
