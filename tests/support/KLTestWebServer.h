#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <vector>

// A small HTTP/1.1 server on 127.0.0.1 for tests that run real curl and yt-dlp. It serves files below a
// document root and routes that a test registers, answers HEAD and Range requests, and can misbehave on
// purpose per path: throttle, stall, drop the connection or answer with another status.
//
// Everything runs on threads of its own (one accepting, one per connection), so a test may block its main
// thread while a tool talks to the server. Routes and behaviours may be changed while it runs. stop() (and
// the destructor) cuts every connection at once and joins every thread.
class KLTestWebServer final {
public:
    // One request as the server received it.
    struct Request {
        QByteArray method;
        // The host the client asked for: from the absolute URL a client sends to a proxy, else from the
        // Host header; lower case, without the port. Lets one server stand for many sites as a proxy.
        QString host;
        QString path;     // decoded, without the query
        QByteArray query; // raw, without the '?'
        QByteArray range; // the Range header, empty when none was sent
        QByteArray userAgent;
        QList<QPair<QByteArray, QByteArray>> headers; // names in lower case
        QByteArray header(const QByteArray &name) const;
    };

    struct Response {
        int status = 200;
        QByteArray body;
        QByteArray contentType = QByteArrayLiteral("text/html");
        QList<QPair<QByteArray, QByteArray>> headers; // extra headers, sent as given
    };
    using Handler = std::function<Response(const Request &)>;

    // How the answer for one path misbehaves. Byte counts are body bytes; negative means "never".
    struct Behaviour {
        int64_t bytesPerSecond = 0; // 0: as fast as the connection takes it
        int64_t stallAfter = -1;    // send this much, then nothing until releaseStalls() or stop()
        int64_t dropAfter = -1;     // send this much, then close the connection
        int status = 0; // 0: the normal status; otherwise answer with this status and a short body
    };

    // An empty document root serves routes only.
    explicit KLTestWebServer(const QString &documentRoot = QString());
    ~KLTestWebServer();
    KLTestWebServer(const KLTestWebServer &) = delete;
    KLTestWebServer &operator=(const KLTestWebServer &) = delete;

    // Listens on a free port of 127.0.0.1. False when the socket could not be set up.
    bool start();
    // Closes the listening socket and every connection at once, releases stalls, joins all threads.
    void stop();
    bool isRunning() const { return m_running.load(); }

    quint16 port() const { return m_port.load(); }
    // "http://127.0.0.1:PORT/path" (a leading slash in `path` is optional).
    QString url(const QString &path = QString()) const;
    QUrl qurl(const QString &path = QString()) const { return QUrl(url(path)); }

    void setDocumentRoot(const QString &documentRoot);
    QString documentRoot() const;

    // Routes take precedence over files. Paths are matched without their query.
    void addRoute(const QString &path, const QByteArray &body, const QByteArray &contentType);
    void addRoute(const QString &path, Handler handler);
    void addRedirect(const QString &path, const QString &location, int status = 302);
    void removeRoute(const QString &path);
    // A site with members: "/login" answers with a session cookie (lasting a day, so that a browser keeps
    // it in its profile), and every path that starts with `prefix`
    // ("/members/") answers 403 to a request that does not send it. The cookie ("session=..."), for a test
    // that hands it over some other way.
    QByteArray requireSignIn(const QString &prefix);

    void setBehaviour(const QString &path, const Behaviour &behaviour);
    void throttle(const QString &path, int64_t bytesPerSecond);
    void stallAfter(const QString &path, int64_t bytes);
    void dropAfter(const QString &path, int64_t bytes);
    void answerWithStatus(const QString &path, int status);
    void clearBehaviour(const QString &path);

    // Lets every stalled answer go on (answers that stall later stall again).
    void releaseStalls();
    // The number of answers currently held in a stall.
    int stalledConnections() const;
    // The number of connections currently open.
    int openConnections() const;

    QList<Request> requests() const;
    QList<Request> requestsFor(const QString &path) const;
    // The Range headers of the path's requests, in order (empty for a request of the whole file).
    QList<QByteArray> rangesFor(const QString &path) const;
    void clearRequests();

    static QByteArray contentTypeForPath(const QString &path);
    static QString normalisedPath(const QString &path);

private:
    struct Body;

    void acceptLoop();
    void startConnection(int socket);
    void serveConnection(int socket);
    // Reads the next request of the connection; nothing at its end, on a broken request or when stopping.
    std::optional<Request> readRequest(int socket, QByteArray &pending, QByteArray &version);
    // Answers one request; false when the connection must close afterwards.
    bool answer(int socket, const Request &request, bool keepAlive);
    Response responseFor(const Request &request, Body &body) const;
    // False for a request of a members' path without the session cookie.
    bool signedIn(const Request &request) const;
    bool sendBody(int socket, const Body &body, int64_t offset, int64_t length, const Behaviour &behaviour);
    void joinEndedConnections();
    void closeListeningSocket();

    // Sleeps for the duration or until the server stops; false when it stopped.
    bool pause(std::chrono::milliseconds duration);
    // Holds a stalled answer until released or stopped; false when it stopped.
    bool holdStall();
    void record(const Request &request);
    bool stopping() const { return m_stopping.load(); }

    struct Route {
        Handler handler;
    };
    std::shared_ptr<const Route> routeFor(const QString &path) const;
    Behaviour behaviourFor(const QString &path) const;

    mutable std::mutex m_lock;
    std::condition_variable m_wakeUp;
    QString m_documentRoot;
    std::map<QString, std::shared_ptr<const Route>> m_routes;
    std::map<QString, Behaviour> m_behaviours;
    QString m_membersPrefix;
    QByteArray m_sessionCookie;
    QList<Request> m_requests;
    uint64_t m_stallGeneration = 0;
    int m_stalled = 0;

    struct ConnectionThread {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> ended;
    };
    mutable std::mutex m_connectionsLock;
    std::vector<ConnectionThread> m_connections;
    std::set<int> m_openSockets;

    std::thread m_acceptThread;
    int m_listeningSocket = -1;
    int m_wakePipe[2] = {-1, -1};
    std::atomic<quint16> m_port{0};
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_stopping{false};
};
