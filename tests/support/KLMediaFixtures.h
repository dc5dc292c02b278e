#pragma once

#include <QList>
#include <QString>

// Media files made by the real ffmpeg from its synthetic sources (testsrc2 pictures, sine tones), created
// on first use and cached in the build tree (<build>/fixtures-cache), so every test process shares them.
// Creation is atomic (written under a temporary name, then renamed), which keeps several test processes
// that ask at the same time from ever seeing a half-written file. A recipe change gives new file names, so a
// stale cache is never used.
//
// Every clip's picture is testsrc2 at 25 frames per second, its sound a 440 Hz sine tone. Sizes in bytes
// are not fixed (they depend on the encoder build) but every file stays well below 1 MB.
class KLMediaFixtures final {
public:
    enum Fixture {
        Clip720p,             // H.264 + AAC stereo MP4, 1280x720, 3 s, "faststart" (index before the data)
        Clip720pNotFaststart, // the same clip with the index after the data (a player must seek to the end)
        Clip360p,             // H.264 + AAC stereo MP4, 640x360, 2 s
        ClipPortrait,         // H.264 + AAC stereo MP4, 720x1280, 2 s
        AudioM4a,             // AAC stereo in an M4A file, 2 s, no picture
        AudioMp3,             // MP3 mono, 2 s, no picture
        VideoOnly,            // H.264 MP4 without sound, 640x360, 2 s
        Webm,                 // VP8 + Vorbis stereo WebM, 640x360, 2 s
        Source1080p,          // H.264 + AAC stereo MP4, 1920x1080, 1 s
        SourcePortrait1080p,  // H.264 + AAC stereo MP4, 1080x1920, 1 s
        TextFile,             // a plain text file (.txt, a few KB) that ffprobe reads as a "tty" picture
        CorruptMedia, // "corrupt.mp4": the first 4 KB of a clip without its index; nothing can read it
        ClipTiny,     // H.264 + AAC mono MP4, 64x36, 0.4 s (a few KB: for runs of hundreds of entries)
    };

    // What a fixture holds, for tests to assert on. Numbers that do not apply are 0, texts empty.
    struct Description {
        Fixture fixture;
        const char *fileName;  // base name in the cache (the cached file carries a recipe hash as well)
        const char *extension; // the file's extension, also the container name the properties report
        int width;
        int height;
        double duration; // seconds (the encoded length may differ by one audio frame, ~0.03 s)
        int fps;
        const char *videoCodec; // ffprobe's codec name
        const char *audioCodec;
        int sampleRate;
        int channels;
    };

    // The fixture's file, generated on first use. Fails the calling test (and returns an empty path) when
    // ffmpeg cannot make it.
    static QString path(Fixture fixture);
    static const Description &description(Fixture fixture);
    static QList<Fixture> allFixtures();

    // DASH set: one manifest with separate video-only representations at three sizes and one audio-only
    // representation, all H.264/AAC fragmented MP4 in 1-second segments addressed by a segment template.
    // The manifest refers to its segments by relative names, so the folder can be served as it is.
    struct DashRepresentation {
        const char *id; // the Representation id, which yt-dlp also shows as the format id
        int width;      // 0 for the audio representation
        int height;
        int bandwidth; // bits per second as written in the manifest
    };
    static constexpr double dashDuration = 2.0;
    static constexpr int dashSampleRate = 44100;
    static inline const QString dashManifestName = QStringLiteral("manifest.mpd");
    static QList<DashRepresentation> dashRepresentations();
    // The folder holding the manifest and its segments (generated on first use).
    static QString dashDirectory();
    static QString dashManifestPath();

    static QString cacheDirectory();
};
