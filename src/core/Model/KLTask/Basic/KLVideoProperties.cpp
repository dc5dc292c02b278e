#include "Model/KLTask/Basic/KLVideoProperties.h"

QString KLVideoProperties::title() const {
    return m_title;
}
void KLVideoProperties::setTitle(const QString &title) {
    m_title = title;
}
double KLVideoProperties::duration() const {
    return m_duration;
}
void KLVideoProperties::setDuration(double duration) {
    m_duration = duration;
}
uint64_t KLVideoProperties::size() const {
    return m_size;
}
void KLVideoProperties::setSize(uint64_t size) {
    m_size = size;
}
QImage KLVideoProperties::thumbnail() const {
    return m_thumbnail;
}
void KLVideoProperties::setThumbnail(const QImage &thumbnail) {
    m_thumbnail = thumbnail;
}
QString KLVideoProperties::container() const {
    return m_container;
}
void KLVideoProperties::setContainer(const QString &container) {
    m_container = container;
}
int32_t KLVideoProperties::containerMode() const {
    return m_containerMode;
}
void KLVideoProperties::setContainerMode(int32_t containerMode) {
    m_containerMode = containerMode;
}
QString KLVideoProperties::videoCodec() const {
    return m_videoCodec;
}
void KLVideoProperties::setVideoCodec(const QString &videoCodec) {
    m_videoCodec = videoCodec;
}
uint64_t KLVideoProperties::fps() const {
    return m_fps;
}
void KLVideoProperties::setFps(uint64_t fps) {
    m_fps = fps;
}
QSizeF KLVideoProperties::resolution() const {
    return m_resolution;
}
void KLVideoProperties::setResolution(const QSizeF &resolution) {
    m_resolution = resolution;
}
QString KLVideoProperties::audioCodec() const {
    return m_audioCodec;
}
void KLVideoProperties::setAudioCodec(const QString &audioCodec) {
    m_audioCodec = audioCodec;
}
uint64_t KLVideoProperties::sampleRate() const {
    return m_sampleRate;
}
void KLVideoProperties::setSampleRate(uint64_t sampleRate) {
    m_sampleRate = sampleRate;
}
bool KLVideoProperties::stereo() const {
    return m_stereo;
}
void KLVideoProperties::setStereo(bool stereo) {
    m_stereo = stereo;
}
bool KLVideoProperties::local() const {
    return m_local;
}
void KLVideoProperties::setLocal(bool local) {
    m_local = local;
}
QList<QSizeF> KLVideoProperties::availableResolutions() const {
    return m_availableResolutions;
}
void KLVideoProperties::setAvailableResolutions(const QList<QSizeF> &availableResolutions) {
    m_availableResolutions = availableResolutions;
}
void KLVideoProperties::addAvailableResolution(const QSizeF &resolution) {
    m_availableResolutions.append(resolution);
}
bool KLVideoProperties::undeterminate() const {
    return m_undeterminate;
}
void KLVideoProperties::setUndeterminate(bool undeterminate) {
    m_undeterminate = undeterminate;
}
