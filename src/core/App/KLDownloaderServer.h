#pragma once

#include <QString>

#include <memory>

class KLScriptInstance;

// One downloader process kept ready for the whole run of the program: the launcher's "serve" mode, which
// has imported the downloader once and forks a copy of itself for every run that names it. Importing the
// downloader is a third of a second of every run otherwise. Every script started after start() finds the
// server's name in KINOLARK_DOWNLOADER_SERVER; a run that finds no server there (not yet listening, gone,
// another user's) goes its own way, so the server only ever saves time. Main thread only.
class KLDownloaderServer final {
public:
    static constexpr const char *serverVariable = "KINOLARK_DOWNLOADER_SERVER";

    KLDownloaderServer() = default;
    ~KLDownloaderServer();
    KLDownloaderServer(const KLDownloaderServer &) = delete;
    KLDownloaderServer &operator=(const KLDownloaderServer &) = delete;

    // Starts serving through the launcher at `launcher` when it is one that can (a launcher copied by an
    // older version, or any other program, cannot), and names the server to the scripts started later.
    // `prepares`: the server also does, between runs, the part of every page's analysis that is the same for
    // all pages (a second of a processor, which pays where pages come one after another, as in the window).
    void start(const QString &launcher, bool prepares);
    // Stops the server and stops naming it; runs already forked go on in their callers' process groups.
    void stop();

private:
    std::shared_ptr<KLScriptInstance> m_server;
};
