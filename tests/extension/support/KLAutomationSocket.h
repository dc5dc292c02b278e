#pragma once

#include <QJsonObject>
#include <QString>
#include <QUrl>
#include <QWebSocket>

#include <chrono>
#include <map>
#include <optional>

// A browser's automation endpoint over a WebSocket (Chromium's DevTools protocol, WebDriver BiDi): each
// command carries an id and is answered by a message with the same id; events are ignored. Waiting runs
// the test's event loop, so a test may serve the session bus meanwhile.
class KLAutomationSocket final {
public:
    KLAutomationSocket();

    bool open(const QUrl &url, std::chrono::milliseconds timeout = std::chrono::seconds(20));
    void close() { m_socket.close(); }

    // The answer's result, or nothing with the reason in lastError().
    std::optional<QJsonObject> command(const QString &method, const QJsonObject &parameters = {},
                                       const QString &sessionId = QString(),
                                       std::chrono::milliseconds timeout = std::chrono::seconds(30));
    QString lastError() const { return m_lastError; }

private:
    QWebSocket m_socket;
    std::map<qint64, QJsonObject> m_answers;
    qint64 m_nextId = 1;
    QString m_lastError;
};
