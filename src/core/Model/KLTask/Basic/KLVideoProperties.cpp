#include "Model/KLTask/Basic/KLVideoProperties.h"

QString KLVideoProperties::title() const {
    return get(m_title);
}
void KLVideoProperties::setTitle(const QString &title) {
    set(m_title, title);
}
double KLVideoProperties::duration() const {
    return get(m_duration);
}
void KLVideoProperties::setDuration(double duration) {
    set(m_duration, duration);
}
uint64_t KLVideoProperties::size() const {
    return get(m_size);
}
void KLVideoProperties::setSize(uint64_t size) {
    set(m_size, size);
}
QImage KLVideoProperties::thumbnail() const {
    return get(m_thumbnail);
}
void KLVideoProperties::setThumbnail(const QImage &thumbnail) {
    set(m_thumbnail, thumbnail);
}
QString KLVideoProperties::container() const {
    return get(m_container);
}
void KLVideoProperties::setContainer(const QString &container) {
    set(m_container, container);
}
int32_t KLVideoProperties::containerMode() const {
    return get(m_containerMode);
}
void KLVideoProperties::setContainerMode(int32_t containerMode) {
    set(m_containerMode, containerMode);
}
QString KLVideoProperties::videoCodec() const {
    return get(m_videoCodec);
}
void KLVideoProperties::setVideoCodec(const QString &videoCodec) {
    set(m_videoCodec, videoCodec);
}
uint64_t KLVideoProperties::fps() const {
    return get(m_fps);
}
void KLVideoProperties::setFps(uint64_t fps) {
    set(m_fps, fps);
}
QSizeF KLVideoProperties::resolution() const {
    return get(m_resolution);
}
void KLVideoProperties::setResolution(const QSizeF &resolution) {
    set(m_resolution, resolution);
}
QString KLVideoProperties::audioCodec() const {
    return get(m_audioCodec);
}
void KLVideoProperties::setAudioCodec(const QString &audioCodec) {
    set(m_audioCodec, audioCodec);
}
uint64_t KLVideoProperties::sampleRate() const {
    return get(m_sampleRate);
}
void KLVideoProperties::setSampleRate(uint64_t sampleRate) {
    set(m_sampleRate, sampleRate);
}
bool KLVideoProperties::stereo() const {
    return get(m_stereo);
}
void KLVideoProperties::setStereo(bool stereo) {
    set(m_stereo, stereo);
}
bool KLVideoProperties::local() const {
    return get(m_local);
}
void KLVideoProperties::setLocal(bool local) {
    set(m_local, local);
}
QList<QSizeF> KLVideoProperties::availableResolutions() const {
    return get(m_availableResolutions);
}
void KLVideoProperties::setAvailableResolutions(const QList<QSizeF> &availableResolutions) {
    set(m_availableResolutions, availableResolutions);
}
void KLVideoProperties::addAvailableResolution(const QSizeF &resolution) {
    std::lock_guard lock(m_lock);
    m_availableResolutions.append(resolution);
}
bool KLVideoProperties::undeterminate() const {
    return get(m_undeterminate);
}
void KLVideoProperties::setUndeterminate(bool undeterminate) {
    set(m_undeterminate, undeterminate);
}
