#include "Model/Preferences/KLDevicePreset.h"

namespace {

QString presetText(const char *value) {
    return QString::fromLatin1(value);
}

// The consoles' family writes audio fields in every output mode; the Apple family leaves the audio alone
// when the output has no audio stream.
KLDevicePreset console(const char *name, const char *videoContainer, const char *audioContainer, QSizeF size,
                       const char *videoCodec, const char *audioWithVideo, const char *audioOnly) {
    return {presetText(name),       presetText(videoContainer), presetText(audioContainer), size,
            presetText(videoCodec), presetText(audioWithVideo), presetText(audioOnly),      true};
}

KLDevicePreset apple(const char *name, QSizeF size, const char *videoCodec) {
    return {presetText(name),       presetText("mov"), presetText("m4a"), size,
            presetText(videoCodec), presetText("aac"), presetText("aac"), false};
}

QList<KLDevicePreset> buildPresets() {
    return {
        console("Playstation Vita", "mp4", "mp3", {960, 544}, "h264", "aac", "mp3"),
        console("PlayStation 3", "mp4", "mp3", {1280, 720}, "h264", "aac", "mp3"),
        console("PlayStation 4", "mp4", "m4a", {1280, 720}, "h264", "aac", "aac"),
        console("PlayStation 4 Pro", "mp4", "m4a", {3840, 2160}, "h264", "aac", "aac"),
        console("XBOX One", "wmv", "mp3", {1280, 720}, "wmv2", "wmav2", "mp3"),
        console("XBOX One X", "wmv", "mp3", {3840, 2160}, "wmv2", "wmav2", "mp3"),
        apple("Mac Viewing", {1280, 720}, "h264"),
        apple("Mac Viewing (High Sierra)", {1280, 720}, "h265"),
        apple("Mac Viewing (Full HD if posssible)", {1920, 1080}, "h264"),
        apple("Mac Viewing (High Sierra, Full HD if possible)", {1920, 1080}, "h265"),
        apple("Mac Viewing (Ultra HD if possible)", {3840, 2160}, "h264"),
        apple("Mac Viewing (High Sierra, Ultra HD if possible)", {3840, 2160}, "h265"),
        apple("iPhone 5, 5s, 5c, SE", {1136, 640}, "h264"),
        apple("iPhone 6, 6s, 7, 8", {1334, 750}, "h264"),
        apple("iPhone 6+, 6s+, 7+, 8+", {2208, 1242}, "h264"),
        apple("iPhone 5, 5s, 5c, SE (iOS 11+)", {1136, 640}, "h265"),
        apple("iPhone 6, 6s, 7, 8 (iOS 11+)", {1334, 750}, "h265"),
        apple("iPhone 6+, 6s+, 7+, 8+ (iOS 11+)", {2208, 1242}, "h265"),
        apple("iPhone X", {2436, 1125}, "h265"),
        apple("iPad Mini 2, 3, 4", {2048, 1536}, "h264"),
        apple("iPad Air, iPad Air 2, iPad Pro 9.7", {2048, 1536}, "h264"),
        apple("iPad Pro 10.5", {2224, 1668}, "h264"),
        apple("iPad Pro 12.9", {2732, 2048}, "h264"),
        apple("iPad Mini 2, 3, 4 (iOS 11+)", {2048, 1536}, "h265"),
        apple("iPad Air, iPad Air 2, iPad Pro 9.7 (iOS 11+)", {2048, 1536}, "h265"),
        apple("iPad Pro 10.5 (iOS 11+)", {2224, 1668}, "h265"),
        apple("iPad Pro 12.9 (iOS 11+)", {2732, 2048}, "h265"),
        {presetText("Download only (no conversion)"), {}, {}, {}, {}, {}, {}, false},
    };
}

} // namespace

const QList<KLDevicePreset> &KLDevicePreset::all() {
    static const QList<KLDevicePreset> presets = buildPresets();
    return presets;
}

const KLDevicePreset *KLDevicePreset::named(const QString &name) {
    for (const KLDevicePreset &preset : all()) {
        if (preset.name.compare(name, Qt::CaseInsensitive) == 0) {
            return &preset;
        }
    }
    return nullptr;
}
