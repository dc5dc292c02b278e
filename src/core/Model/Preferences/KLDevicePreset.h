#pragma once

#include <QList>
#include <QSizeF>
#include <QString>

// One row of the device preset table: what choosing a target device writes into a preferences record.
struct KLDevicePreset final {
    QString name;
    // Empty for the preset that turns conversion off.
    QString videoContainer;
    QString audioContainer;
    QSizeF size;
    QString videoCodec;
    // The audio codec written when the output keeps video, and the one written for audio only.
    QString audioCodecWithVideo;
    QString audioCodecAudioOnly;
    // Some families also set the audio fields when the output drops the audio stream.
    bool writesAudioInVideoOnly = false;

    bool converts() const { return !videoContainer.isEmpty(); }

    // Every preset, in the order the device choice lists them.
    static const QList<KLDevicePreset> &all();
    // The preset whose name matches, ignoring case; none when no name matches.
    static const KLDevicePreset *named(const QString &name);
};
