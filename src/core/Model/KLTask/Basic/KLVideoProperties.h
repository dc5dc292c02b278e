#pragma once

#include <QImage>
#include <QList>
#include <QSizeF>
#include <QString>

#include <cstdint>

// The one description of a media source that tasks fill, the ffmpeg command factory reads and entries keep.
// Tasks, entries and views share a record on the main thread.
class KLVideoProperties final {
public:
    static constexpr int32_t videoOnlyMode = 0;
    static constexpr int32_t audioOnlyMode = 1;
    static constexpr int32_t videoAndAudioMode = 2;

    QString title() const;
    void setTitle(const QString &title);
    double duration() const;
    void setDuration(double duration);
    uint64_t size() const;
    void setSize(uint64_t size);
    QImage thumbnail() const;
    void setThumbnail(const QImage &thumbnail);
    QString container() const;
    void setContainer(const QString &container);
    int32_t containerMode() const;
    void setContainerMode(int32_t containerMode);
    QString videoCodec() const;
    void setVideoCodec(const QString &videoCodec);
    uint64_t fps() const;
    void setFps(uint64_t fps);
    QSizeF resolution() const;
    void setResolution(const QSizeF &resolution);
    QString audioCodec() const;
    void setAudioCodec(const QString &audioCodec);
    uint64_t sampleRate() const;
    void setSampleRate(uint64_t sampleRate);
    bool stereo() const;
    void setStereo(bool stereo);
    bool local() const;
    void setLocal(bool local);
    QList<QSizeF> availableResolutions() const;
    void setAvailableResolutions(const QList<QSizeF> &availableResolutions);
    void addAvailableResolution(const QSizeF &resolution);
    bool undeterminate() const;
    void setUndeterminate(bool undeterminate);

private:
    QString m_title;
    double m_duration = 0.0;
    uint64_t m_size = 0;
    QImage m_thumbnail;
    QString m_container;
    int32_t m_containerMode = videoOnlyMode;
    QString m_videoCodec;
    uint64_t m_fps = 0;
    QSizeF m_resolution{0.0, 0.0};
    QString m_audioCodec;
    uint64_t m_sampleRate = 0;
    bool m_stereo = false;
    bool m_local = false;
    QList<QSizeF> m_availableResolutions;
    bool m_undeterminate = false;
};
