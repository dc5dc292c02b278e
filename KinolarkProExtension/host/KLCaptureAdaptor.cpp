#include "KLCaptureAdaptor.h"

#include <QDBusConnection>
#include <QTimer>

KLCaptureAdaptor::KLCaptureAdaptor(QObject *parent, Sender sender)
    : QDBusAbstractAdaptor(parent), m_sender(std::move(sender)) {}

QString KLCaptureAdaptor::CaptureActiveTab(const QDBusMessage &message, QString &) {
    const qint64 id = m_nextId++;
    message.setDelayedReply(true);
    m_pending.emplace(id, message);
    if (!m_sender(QJsonObject{{QStringLiteral("request"), QStringLiteral("capture")},
                              {QStringLiteral("id"), id}})) {
        fail(id, noAnswerError, QStringLiteral("The browser's extension cannot be reached."));
        return {};
    }
    QTimer::singleShot(answerTimeoutMs, this, [this, id] {
        fail(id, noAnswerError, QStringLiteral("The browser did not answer in time."));
    });
    return {};
}

void KLCaptureAdaptor::deliver(const QJsonObject &answer) {
    const auto pending = m_pending.find(answer.value(QStringLiteral("reply")).toInteger(-1));
    if (pending == m_pending.end()) {
        return;
    }
    const QJsonValue url = answer.value(QStringLiteral("url"));
    const QJsonValue code = answer.value(QStringLiteral("code"));
    if (!url.isString() || url.toString().isEmpty() || !code.isString()) {
        fail(pending->first, noPageError, QStringLiteral("The browser shows no page that can be read now."));
        return;
    }
    QDBusConnection::sessionBus().send(pending->second.createReply({url.toString(), code.toString()}));
    m_pending.erase(pending);
}

void KLCaptureAdaptor::abandonAll() {
    while (!m_pending.empty()) {
        fail(m_pending.begin()->first, noAnswerError, QStringLiteral("The browser closed its connection."));
    }
}

void KLCaptureAdaptor::fail(qint64 id, const QString &error, const QString &text) {
    const auto pending = m_pending.find(id);
    if (pending == m_pending.end()) {
        return;
    }
    QDBusConnection::sessionBus().send(pending->second.createErrorReply(error, text));
    m_pending.erase(pending);
}
