#include "KLTestWebServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr qsizetype maximumHeaderSize = 64 * 1024;
constexpr int64_t sendChunkSize = 16 * 1024;

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return QByteArrayLiteral("OK");
    case 206:
        return QByteArrayLiteral("Partial Content");
    case 301:
        return QByteArrayLiteral("Moved Permanently");
    case 302:
        return QByteArrayLiteral("Found");
    case 303:
        return QByteArrayLiteral("See Other");
    case 307:
        return QByteArrayLiteral("Temporary Redirect");
    case 308:
        return QByteArrayLiteral("Permanent Redirect");
    case 400:
        return QByteArrayLiteral("Bad Request");
    case 403:
        return QByteArrayLiteral("Forbidden");
    case 404:
        return QByteArrayLiteral("Not Found");
    case 416:
        return QByteArrayLiteral("Range Not Satisfiable");
    case 500:
        return QByteArrayLiteral("Internal Server Error");
    case 503:
        return QByteArrayLiteral("Service Unavailable");
    default:
        return QByteArrayLiteral("Status");
    }
}

QByteArray statusPage(int status) {
    return QByteArrayLiteral("<html><body><h1>") + QByteArray::number(status) + ' ' + reasonPhrase(status) +
           QByteArrayLiteral("</h1></body></html>\n");
}

// Sends everything or fails; MSG_NOSIGNAL because a client that hangs up must not kill the test process.
bool sendAll(int socket, const char *data, int64_t length) {
    while (length > 0) {
        const ssize_t sent = ::send(socket, data, static_cast<size_t>(length), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        data += sent;
        length -= sent;
    }
    return true;
}

struct ByteRange {
    int64_t first = 0;
    int64_t length = 0;
};

enum class RangeOutcome { whole, partial, unsatisfiable };

// Reads a single "bytes=a-b", "bytes=a-" or "bytes=-n". Anything else (several ranges, other units, junk)
// is ignored and the whole body is sent, which a server may always do.
RangeOutcome parseRange(const QByteArray &header, int64_t size, ByteRange &range) {
    const QByteArray value = header.trimmed();
    if (!value.startsWith("bytes=") || value.contains(',')) {
        return RangeOutcome::whole;
    }
    const QByteArray rangeText = value.mid(6).trimmed();
    const qsizetype dash = rangeText.indexOf('-');
    if (dash < 0) {
        return RangeOutcome::whole;
    }
    const QByteArray startText = rangeText.left(dash).trimmed();
    const QByteArray endText = rangeText.mid(dash + 1).trimmed();
    bool startValid = false;
    bool endValid = false;
    const int64_t start = startText.toLongLong(&startValid);
    const int64_t end = endText.toLongLong(&endValid);
    if (startText.isEmpty()) {
        if (!endValid || end < 0) {
            return RangeOutcome::whole;
        }
        if (end == 0 || size == 0) {
            return RangeOutcome::unsatisfiable;
        }
        range.length = std::min(end, size);
        range.first = size - range.length;
        return RangeOutcome::partial;
    }
    if (!startValid || start < 0 || (!endText.isEmpty() && (!endValid || end < start))) {
        return RangeOutcome::whole;
    }
    if (start >= size) {
        return RangeOutcome::unsatisfiable;
    }
    const int64_t last = endText.isEmpty() ? size - 1 : std::min(end, size - 1);
    range.first = start;
    range.length = last - start + 1;
    return RangeOutcome::partial;
}

} // namespace

// The bytes of one answer: held in memory (routes, status pages) or read from a file as they are sent, so
// large media files are not loaded whole.
struct KLTestWebServer::Body {
    QByteArray data;
    QString filePath;
    int64_t size = 0;

    void setData(const QByteArray &bytes) {
        data = bytes;
        filePath.clear();
        size = bytes.size();
    }
};

QByteArray KLTestWebServer::Request::header(const QByteArray &name) const {
    const QByteArray wanted = name.toLower();
    for (const auto &[key, value] : headers) {
        if (key == wanted) {
            return value;
        }
    }
    return QByteArray();
}

KLTestWebServer::KLTestWebServer(const QString &documentRoot) : m_documentRoot(documentRoot) {}

KLTestWebServer::~KLTestWebServer() {
    stop();
}

bool KLTestWebServer::start() {
    if (m_running.load()) {
        return true;
    }
    m_stopping.store(false);
    if (pipe2(m_wakePipe, O_CLOEXEC) != 0) {
        return false;
    }
    // Close-on-exec everywhere: the scripts that tests start must not inherit the server's sockets.
    m_listeningSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    ::setsockopt(m_listeningSocket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t addressLength = sizeof address;
    if (m_listeningSocket < 0 ||
        ::bind(m_listeningSocket, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(m_listeningSocket, 64) != 0 ||
        ::getsockname(m_listeningSocket, reinterpret_cast<sockaddr *>(&address), &addressLength) != 0) {
        closeListeningSocket();
        return false;
    }
    m_port.store(ntohs(address.sin_port));
    m_running.store(true);
    m_acceptThread = std::thread([this] { acceptLoop(); });
    return true;
}

void KLTestWebServer::stop() {
    if (!m_running.load()) {
        return;
    }
    m_stopping.store(true);
    // Wakes every poll: the byte is never read, so the pipe stays readable until it is closed.
    const char wake = 'x';
    [[maybe_unused]] const ssize_t written = ::write(m_wakePipe[1], &wake, 1);
    {
        // Taken so that a waiter cannot miss the flag between its check and its wait.
        std::lock_guard lock(m_lock);
        m_wakeUp.notify_all();
    }
    {
        // Unblocks sends into clients that stopped reading.
        std::lock_guard lock(m_connectionsLock);
        for (int socket : m_openSockets) {
            ::shutdown(socket, SHUT_RDWR);
        }
    }
    if (m_acceptThread.joinable()) {
        m_acceptThread.join();
    }
    std::vector<ConnectionThread> connections;
    {
        std::lock_guard lock(m_connectionsLock);
        connections.swap(m_connections);
    }
    for (ConnectionThread &connection : connections) {
        connection.thread.join();
    }
    closeListeningSocket();
    m_running.store(false);
}

void KLTestWebServer::closeListeningSocket() {
    for (int *descriptor : {&m_listeningSocket, &m_wakePipe[0], &m_wakePipe[1]}) {
        if (*descriptor >= 0) {
            ::close(*descriptor);
            *descriptor = -1;
        }
    }
}

QString KLTestWebServer::url(const QString &path) const {
    return QStringLiteral("http://127.0.0.1:") + QString::number(port()) + normalisedPath(path);
}

QString KLTestWebServer::normalisedPath(const QString &path) {
    return path.startsWith(QLatin1Char('/')) ? path : QLatin1Char('/') + path;
}

void KLTestWebServer::setDocumentRoot(const QString &documentRoot) {
    std::lock_guard lock(m_lock);
    m_documentRoot = documentRoot;
}

QString KLTestWebServer::documentRoot() const {
    std::lock_guard lock(m_lock);
    return m_documentRoot;
}

void KLTestWebServer::addRoute(const QString &path, const QByteArray &body, const QByteArray &contentType) {
    addRoute(path, [body, contentType](const Request &) {
        Response response;
        response.body = body;
        response.contentType = contentType;
        return response;
    });
}

void KLTestWebServer::addRoute(const QString &path, Handler handler) {
    auto route = std::make_shared<Route>();
    route->handler = std::move(handler);
    std::lock_guard lock(m_lock);
    m_routes[normalisedPath(path)] = std::move(route);
}

QByteArray KLTestWebServer::requireSignIn(const QString &prefix) {
    const QByteArray cookie = "session=" + QUuid::createUuid().toByteArray(QUuid::Id128);
    {
        std::lock_guard lock(m_lock);
        m_membersPrefix = normalisedPath(prefix);
        m_sessionCookie = cookie;
    }
    addRoute(QStringLiteral("/login"), [cookie](const Request &) {
        Response response;
        response.body =
            QByteArrayLiteral("<!DOCTYPE html><html><head><title>Signed in</title></head></html>\n");
        response.headers.append(
            {QByteArrayLiteral("Set-Cookie"), cookie + "; Path=/; Max-Age=86400; HttpOnly"});
        return response;
    });
    return cookie;
}

void KLTestWebServer::addRedirect(const QString &path, const QString &location, int status) {
    addRoute(path, [location, status](const Request &) {
        Response response;
        response.status = status;
        response.body = statusPage(status);
        response.headers.append({QByteArrayLiteral("Location"), location.toUtf8()});
        return response;
    });
}

void KLTestWebServer::removeRoute(const QString &path) {
    std::lock_guard lock(m_lock);
    m_routes.erase(normalisedPath(path));
}

void KLTestWebServer::setBehaviour(const QString &path, const Behaviour &behaviour) {
    std::lock_guard lock(m_lock);
    m_behaviours[normalisedPath(path)] = behaviour;
}

void KLTestWebServer::throttle(const QString &path, int64_t bytesPerSecond) {
    Behaviour behaviour = behaviourFor(normalisedPath(path));
    behaviour.bytesPerSecond = bytesPerSecond;
    setBehaviour(path, behaviour);
}

void KLTestWebServer::stallAfter(const QString &path, int64_t bytes) {
    Behaviour behaviour = behaviourFor(normalisedPath(path));
    behaviour.stallAfter = bytes;
    setBehaviour(path, behaviour);
}

void KLTestWebServer::dropAfter(const QString &path, int64_t bytes) {
    Behaviour behaviour = behaviourFor(normalisedPath(path));
    behaviour.dropAfter = bytes;
    setBehaviour(path, behaviour);
}

void KLTestWebServer::answerWithStatus(const QString &path, int status) {
    Behaviour behaviour = behaviourFor(normalisedPath(path));
    behaviour.status = status;
    setBehaviour(path, behaviour);
}

void KLTestWebServer::clearBehaviour(const QString &path) {
    std::lock_guard lock(m_lock);
    m_behaviours.erase(normalisedPath(path));
}

void KLTestWebServer::releaseStalls() {
    std::lock_guard lock(m_lock);
    ++m_stallGeneration;
    m_wakeUp.notify_all();
}

int KLTestWebServer::stalledConnections() const {
    std::lock_guard lock(m_lock);
    return m_stalled;
}

int KLTestWebServer::openConnections() const {
    std::lock_guard lock(m_connectionsLock);
    return static_cast<int>(m_openSockets.size());
}

QList<KLTestWebServer::Request> KLTestWebServer::requests() const {
    std::lock_guard lock(m_lock);
    return m_requests;
}

QList<KLTestWebServer::Request> KLTestWebServer::requestsFor(const QString &path) const {
    const QString wanted = normalisedPath(path);
    QList<Request> found;
    for (const Request &request : requests()) {
        if (request.path == wanted) {
            found.append(request);
        }
    }
    return found;
}

QList<QByteArray> KLTestWebServer::rangesFor(const QString &path) const {
    QList<QByteArray> ranges;
    for (const Request &request : requestsFor(path)) {
        ranges << request.range;
    }
    return ranges;
}

void KLTestWebServer::clearRequests() {
    std::lock_guard lock(m_lock);
    m_requests.clear();
}

QByteArray KLTestWebServer::contentTypeForPath(const QString &path) {
    static const std::map<QString, QByteArray> types = {
        {QStringLiteral("html"), QByteArrayLiteral("text/html")},
        {QStringLiteral("htm"), QByteArrayLiteral("text/html")},
        {QStringLiteral("txt"), QByteArrayLiteral("text/plain")},
        {QStringLiteral("css"), QByteArrayLiteral("text/css")},
        {QStringLiteral("js"), QByteArrayLiteral("application/javascript")},
        {QStringLiteral("json"), QByteArrayLiteral("application/json")},
        {QStringLiteral("xml"), QByteArrayLiteral("application/xml")},
        {QStringLiteral("rtf"), QByteArrayLiteral("application/rtf")},
        {QStringLiteral("png"), QByteArrayLiteral("image/png")},
        {QStringLiteral("jpg"), QByteArrayLiteral("image/jpeg")},
        {QStringLiteral("jpeg"), QByteArrayLiteral("image/jpeg")},
        {QStringLiteral("gif"), QByteArrayLiteral("image/gif")},
        {QStringLiteral("webp"), QByteArrayLiteral("image/webp")},
        {QStringLiteral("mp4"), QByteArrayLiteral("video/mp4")},
        {QStringLiteral("m4v"), QByteArrayLiteral("video/mp4")},
        {QStringLiteral("m4a"), QByteArrayLiteral("audio/mp4")},
        {QStringLiteral("webm"), QByteArrayLiteral("video/webm")},
        {QStringLiteral("mkv"), QByteArrayLiteral("video/x-matroska")},
        {QStringLiteral("mov"), QByteArrayLiteral("video/quicktime")},
        {QStringLiteral("avi"), QByteArrayLiteral("video/x-msvideo")},
        {QStringLiteral("ts"), QByteArrayLiteral("video/mp2t")},
        {QStringLiteral("mp3"), QByteArrayLiteral("audio/mpeg")},
        {QStringLiteral("aac"), QByteArrayLiteral("audio/aac")},
        {QStringLiteral("ogg"), QByteArrayLiteral("audio/ogg")},
        {QStringLiteral("opus"), QByteArrayLiteral("audio/ogg")},
        {QStringLiteral("wav"), QByteArrayLiteral("audio/wav")},
        {QStringLiteral("flac"), QByteArrayLiteral("audio/flac")},
        {QStringLiteral("mpd"), QByteArrayLiteral("application/dash+xml")},
        {QStringLiteral("m3u8"), QByteArrayLiteral("application/vnd.apple.mpegurl")},
        {QStringLiteral("vtt"), QByteArrayLiteral("text/vtt")},
        {QStringLiteral("srt"), QByteArrayLiteral("application/x-subrip")},
    };
    const auto found = types.find(QFileInfo(path).suffix().toLower());
    return found != types.end() ? found->second : QByteArrayLiteral("application/octet-stream");
}

void KLTestWebServer::acceptLoop() {
    while (!stopping()) {
        pollfd watched[2] = {{m_listeningSocket, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (stopping() || watched[1].revents != 0) {
            return;
        }
        const int socket = ::accept4(m_listeningSocket, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket >= 0) {
            joinEndedConnections();
            startConnection(socket);
        }
    }
}

void KLTestWebServer::startConnection(int socket) {
    std::lock_guard lock(m_connectionsLock);
    // Checked under the lock that stop() takes before cutting connections, so none slips past it.
    if (stopping()) {
        ::close(socket);
        return;
    }
    m_openSockets.insert(socket);
    auto ended = std::make_shared<std::atomic<bool>>(false);
    m_connections.push_back({std::thread([this, socket, ended] {
                                 serveConnection(socket);
                                 ended->store(true);
                             }),
                             ended});
}

void KLTestWebServer::joinEndedConnections() {
    std::vector<ConnectionThread> ended;
    {
        std::lock_guard lock(m_connectionsLock);
        const auto firstEnded =
            std::stable_partition(m_connections.begin(), m_connections.end(),
                                  [](const ConnectionThread &c) { return !c.ended->load(); });
        std::move(firstEnded, m_connections.end(), std::back_inserter(ended));
        m_connections.erase(firstEnded, m_connections.end());
    }
    for (ConnectionThread &connection : ended) {
        connection.thread.join();
    }
}

void KLTestWebServer::serveConnection(int socket) {
    QByteArray pending;
    while (!stopping()) {
        QByteArray version;
        const std::optional<Request> request = readRequest(socket, pending, version);
        if (!request) {
            break;
        }
        record(*request);
        const QByteArray connection = request->header("connection").toLower();
        const bool keepAlive = version == "HTTP/1.1" ? connection != "close" : connection == "keep-alive";
        if (!answer(socket, *request, keepAlive) || !keepAlive) {
            break;
        }
    }
    {
        std::lock_guard lock(m_connectionsLock);
        m_openSockets.erase(socket);
    }
    ::close(socket);
}

std::optional<KLTestWebServer::Request> KLTestWebServer::readRequest(int socket, QByteArray &pending,
                                                                     QByteArray &version) {
    qsizetype headerEnd = -1;
    while ((headerEnd = pending.indexOf("\r\n\r\n")) < 0) {
        if (pending.size() > maximumHeaderSize) {
            return std::nullopt;
        }
        pollfd watched[2] = {{socket, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
        if (::poll(watched, 2, -1) < 0 && errno != EINTR) {
            return std::nullopt;
        }
        if (stopping() || watched[1].revents != 0) {
            return std::nullopt;
        }
        if (watched[0].revents == 0) {
            continue;
        }
        char buffer[8192];
        const ssize_t received = ::recv(socket, buffer, sizeof buffer, 0);
        if (received <= 0) {
            return std::nullopt;
        }
        pending.append(buffer, received);
    }
    const QList<QByteArray> lines = pending.left(headerEnd).split('\n');
    pending.remove(0, headerEnd + 4);

    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    if (requestLine.size() != 3) {
        return std::nullopt;
    }
    Request request;
    request.method = requestLine.at(0);
    version = requestLine.at(2);
    QByteArray target = requestLine.at(1);
    // A client that talks to us as if we were a proxy sends the absolute URL.
    QByteArray authority;
    if (target.startsWith("http://")) {
        const qsizetype slash = target.indexOf('/', 7);
        authority = target.mid(7, slash < 0 ? -1 : slash - 7);
        target = slash < 0 ? QByteArrayLiteral("/") : target.mid(slash);
    }
    const qsizetype question = target.indexOf('?');
    request.query = question < 0 ? QByteArray() : target.mid(question + 1);
    request.path = normalisedPath(QUrl::fromPercentEncoding(question < 0 ? target : target.left(question)));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0) {
            request.headers.append({line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed()});
        }
    }
    if (authority.isEmpty()) {
        authority = request.header("host");
    }
    request.host = QUrl(QStringLiteral("http://") + QString::fromLatin1(authority)).host().toLower();
    request.range = request.header("range");
    request.userAgent = request.header("user-agent");

    // A request body is read and dropped so that the next request on the connection starts in the right
    // place.
    int64_t bodyLeft = request.header("content-length").toLongLong();
    while (bodyLeft > 0) {
        const qsizetype taken = std::min<qsizetype>(pending.size(), bodyLeft);
        pending.remove(0, taken);
        bodyLeft -= taken;
        if (bodyLeft == 0) {
            break;
        }
        char buffer[8192];
        const ssize_t received = ::recv(socket, buffer, sizeof buffer, 0);
        if (received <= 0) {
            return std::nullopt;
        }
        pending.append(buffer, received);
    }
    return request;
}

KLTestWebServer::Response KLTestWebServer::responseFor(const Request &request, Body &body) const {
    if (!signedIn(request)) {
        Response refused;
        refused.status = 403;
        body.setData(statusPage(403));
        return refused;
    }
    const std::shared_ptr<const Route> route = routeFor(request.path);
    if (route) {
        Response response = route->handler(request);
        body.setData(response.body);
        return response;
    }
    Response response;
    const QString root = documentRoot();
    if (!root.isEmpty()) {
        QString file = QDir(root).filePath(request.path.mid(1));
        if (QFileInfo(file).isDir()) {
            file = QDir(file).filePath(QStringLiteral("index.html"));
        }
        const QFileInfo info(file);
        // Judged on the resolved path: a request for /../x (or a link out) must not leave the document root.
        const QString canonicalRoot = QFileInfo(root).canonicalFilePath() + QLatin1Char('/');
        if (info.isFile() && info.isReadable() && info.canonicalFilePath().startsWith(canonicalRoot)) {
            body.filePath = info.absoluteFilePath();
            body.size = info.size();
            response.contentType = contentTypeForPath(file);
            return response;
        }
    }
    response.status = 404;
    body.setData(statusPage(404));
    return response;
}

bool KLTestWebServer::signedIn(const Request &request) const {
    std::lock_guard lock(m_lock);
    if (m_membersPrefix.isEmpty() || !request.path.startsWith(m_membersPrefix)) {
        return true;
    }
    // "a=1; session=...; b=2": the session is one of the cookies sent.
    for (const QByteArray &sent : request.header("cookie").split(';')) {
        if (sent.trimmed() == m_sessionCookie) {
            return true;
        }
    }
    return false;
}

bool KLTestWebServer::answer(int socket, const Request &request, bool keepAlive) {
    const Behaviour behaviour = behaviourFor(request.path);
    Body body;
    Response response;
    if (behaviour.status != 0) {
        response.status = behaviour.status;
        body.setData(statusPage(behaviour.status));
    } else {
        response = responseFor(request, body);
    }

    int64_t offset = 0;
    int64_t length = body.size;
    QByteArray contentRange;
    if (response.status == 200 && !request.range.isEmpty()) {
        ByteRange range;
        switch (parseRange(request.range, body.size, range)) {
        case RangeOutcome::whole:
            break;
        case RangeOutcome::partial:
            response.status = 206;
            offset = range.first;
            length = range.length;
            contentRange = "bytes " + QByteArray::number(range.first) + '-' +
                           QByteArray::number(range.first + range.length - 1) + '/' +
                           QByteArray::number(body.size);
            break;
        case RangeOutcome::unsatisfiable:
            response.status = 416;
            contentRange = "bytes */" + QByteArray::number(body.size);
            length = 0;
            break;
        }
    }

    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' +
                      reasonPhrase(response.status) + "\r\nContent-Type: " + response.contentType +
                      "\r\nContent-Length: " + QByteArray::number(length) + "\r\nAccept-Ranges: bytes" +
                      (keepAlive ? "\r\nConnection: keep-alive" : "\r\nConnection: close");
    if (!contentRange.isEmpty()) {
        head += "\r\nContent-Range: " + contentRange;
    }
    for (const auto &[name, value] : response.headers) {
        head += "\r\n" + name + ": " + value;
    }
    head += "\r\n\r\n";
    if (!sendAll(socket, head.constData(), head.size())) {
        return false;
    }
    if (request.method == "HEAD" || length == 0) {
        return true;
    }
    return sendBody(socket, body, offset, length, behaviour);
}

bool KLTestWebServer::sendBody(int socket, const Body &body, int64_t offset, int64_t length,
                               const Behaviour &behaviour) {
    QFile file(body.filePath);
    if (!body.filePath.isEmpty() && (!file.open(QIODevice::ReadOnly) || !file.seek(offset))) {
        return false;
    }
    const int64_t chunkLimit = behaviour.bytesPerSecond > 0
                                   ? std::clamp<int64_t>(behaviour.bytesPerSecond / 20, 1, sendChunkSize)
                                   : sendChunkSize;
    const auto started = std::chrono::steady_clock::now();
    bool stalled = false;
    int64_t sent = 0;
    while (sent < length) {
        if (behaviour.dropAfter >= 0 && sent >= behaviour.dropAfter) {
            return false;
        }
        if (!stalled && behaviour.stallAfter >= 0 && sent >= behaviour.stallAfter) {
            stalled = true;
            if (!holdStall()) {
                return false;
            }
        }
        // Chunks end exactly where the next misbehaviour starts.
        int64_t chunk = std::min(chunkLimit, length - sent);
        for (int64_t limit : {behaviour.dropAfter, stalled ? int64_t(-1) : behaviour.stallAfter}) {
            if (limit > sent) {
                chunk = std::min(chunk, limit - sent);
            }
        }
        QByteArray bytes = body.filePath.isEmpty() ? body.data.mid(offset + sent, chunk) : file.read(chunk);
        if (bytes.isEmpty() || !sendAll(socket, bytes.constData(), bytes.size())) {
            return false;
        }
        sent += bytes.size();
        if (behaviour.bytesPerSecond > 0) {
            const auto due = started + std::chrono::milliseconds(sent * 1000 / behaviour.bytesPerSecond);
            const auto wait =
                std::chrono::duration_cast<std::chrono::milliseconds>(due - std::chrono::steady_clock::now());
            if (wait.count() > 0 && !pause(wait)) {
                return false;
            }
        }
    }
    return !stopping();
}

bool KLTestWebServer::pause(std::chrono::milliseconds duration) {
    std::unique_lock lock(m_lock);
    m_wakeUp.wait_for(lock, duration, [this] { return stopping(); });
    return !stopping();
}

bool KLTestWebServer::holdStall() {
    std::unique_lock lock(m_lock);
    const uint64_t generation = m_stallGeneration;
    ++m_stalled;
    m_wakeUp.wait(lock, [this, generation] { return stopping() || m_stallGeneration != generation; });
    --m_stalled;
    return !stopping();
}

void KLTestWebServer::record(const Request &request) {
    std::lock_guard lock(m_lock);
    m_requests.append(request);
}

std::shared_ptr<const KLTestWebServer::Route> KLTestWebServer::routeFor(const QString &path) const {
    std::lock_guard lock(m_lock);
    const auto found = m_routes.find(path);
    return found != m_routes.end() ? found->second : nullptr;
}

KLTestWebServer::Behaviour KLTestWebServer::behaviourFor(const QString &path) const {
    std::lock_guard lock(m_lock);
    const auto found = m_behaviours.find(path);
    return found != m_behaviours.end() ? found->second : Behaviour();
}
