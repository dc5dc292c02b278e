#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>

class KLDefaultPreferences;
class KLEntryDestinationChooser;
class KLFFMPEGCommandFactory;
class KLKeptDownloads;
class KLPasswordManager;
class KLQueuePersistence;
class KLScriptManager;
class KLSessionCookies;
class KLTaskManager;

// The shared services of one program, handed to the parts that use them when they are made: the queue's
// parts, the intake, the generators and the entries they make. The launch brings the services up in order
// and fills them in; a part made before that holds the same object and finds them there. A service that is
// missing (a test, the command line) is nil, and its user does without. Main thread only.
class KLServices final {
public:
    using IconProvider = std::function<QImage(const QString &file, const QSize &size)>;

    std::shared_ptr<KLDefaultPreferences> preferences;
    std::shared_ptr<KLScriptManager> scriptManager;
    std::shared_ptr<KLTaskManager> taskManager;
    std::shared_ptr<KLPasswordManager> passwordManager;
    std::shared_ptr<KLFFMPEGCommandFactory> ffmpegFactory;
    // Nil when the queue is not remembered (the command line).
    std::shared_ptr<KLQueuePersistence> queuePersistence;
    // What downloads have fetched, kept across runs; nil for none.
    std::shared_ptr<KLKeptDownloads> keptDownloads;
    // Whether a download continues what an earlier run kept of it, rather than fetching afresh.
    bool continuesKeptDownloads = true;
    // The session a browser handed over with a page, in the services of that page's analysis: the entries
    // found take it (KLEntry) and keep it until their run ends, so it is not kept here.
    std::weak_ptr<const KLSessionCookies> sessionCookies;
    // Who is asked where a finished file goes; without one it goes where the settings say.
    std::shared_ptr<KLEntryDestinationChooser> destinationChooser;
    // Draws a file's icon; the window installs one.
    IconProvider iconProvider;
    // Whether anybody shows the videos' pictures: a program without a window (the command line) makes none,
    // which spares an ffmpeg run for every video it measures.
    bool thumbnailsShown = true;

    // The picture shown for a file that has no thumbnail of its own: the provider's icon, or without one
    // the plain placeholder; nothing for no file.
    QImage iconForFile(const QString &file, const QSize &size) const;

    // The settings of a part that may have been made without services: nil then.
    static std::shared_ptr<KLDefaultPreferences> preferencesOf(const KLServices *services) {
        return services != nullptr ? services->preferences : nullptr;
    }
};
