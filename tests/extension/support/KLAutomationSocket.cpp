#include "KLAutomationSocket.h"

#include "KLTestEnvironment.h"

#include <QJsonDocument>

KLAutomationSocket::KLAutomationSocket() {
    QObject::connect(&m_socket, &QWebSocket::textMessageReceived, [this](const QString &text) {
        const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
        if (message.contains(QStringLiteral("id"))) {
            m_answers[message.value(QStringLiteral("id")).toInteger()] = message;
        }
    });
    // A page's source may be large.
    m_socket.setMaxAllowedIncomingMessageSize(256 * 1024 * 1024);
}

bool KLAutomationSocket::open(const QUrl &url, std::chrono::milliseconds timeout) {
    m_socket.open(url);
    if (!KLTestEnvironment::waitUntil([this] { return m_socket.state() == QAbstractSocket::ConnectedState; },
                                      timeout)) {
        m_lastError = QStringLiteral("cannot connect to %1: %2").arg(url.toString(), m_socket.errorString());
        return false;
    }
    return true;
}

std::optional<QJsonObject> KLAutomationSocket::command(const QString &method, const QJsonObject &parameters,
                                                       const QString &sessionId,
                                                       std::chrono::milliseconds timeout) {
    const qint64 id = m_nextId++;
    QJsonObject message{{QStringLiteral("id"), id},
                        {QStringLiteral("method"), method},
                        {QStringLiteral("params"), parameters}};
    if (!sessionId.isEmpty()) {
        message.insert(QStringLiteral("sessionId"), sessionId);
    }
    m_socket.sendTextMessage(QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
    if (!KLTestEnvironment::waitUntil([this, id] { return m_answers.count(id) > 0; }, timeout)) {
        m_lastError = QStringLiteral("%1: no answer").arg(method);
        return std::nullopt;
    }
    const QJsonObject answer = m_answers.at(id);
    m_answers.erase(id);
    // DevTools puts an object under "error", WebDriver BiDi a string with "message" beside it.
    const QJsonValue error = answer.value(QStringLiteral("error"));
    if (!error.isUndefined()) {
        m_lastError = QStringLiteral("%1: %2 %3")
                          .arg(method,
                               error.isObject() ? error.toObject().value(QStringLiteral("message")).toString()
                                                : error.toString(),
                               answer.value(QStringLiteral("message")).toString());
        return std::nullopt;
    }
    return answer.value(QStringLiteral("result")).toObject();
}
