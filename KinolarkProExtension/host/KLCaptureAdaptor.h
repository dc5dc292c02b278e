#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QJsonObject>

#include <functional>
#include <map>

// The browser's side of a grab on the session bus (interface org.kinolark.KinolarkPro.Browser):
// CaptureActiveTab asks the extension, over the connection the browser keeps open, for the address and
// source of the active tab, and answers when the extension does. An empty answer (the tab still loads, or
// no page script runs in it) and no answer within a few seconds are errors, so the caller never waits long.
class KLCaptureAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kinolark.KinolarkPro.Browser")

public:
    static constexpr int answerTimeoutMs = 3000;
    static inline const QString noPageError = QStringLiteral("org.kinolark.KinolarkPro.Browser.Error.NoPage");
    static inline const QString noAnswerError =
        QStringLiteral("org.kinolark.KinolarkPro.Browser.Error.NoAnswer");

    // Sends a request to the extension; false when it could not be sent.
    using Sender = std::function<bool(const QJsonObject &request)>;

    KLCaptureAdaptor(QObject *parent, Sender sender);

    // The extension's answer ({"reply": id, "url": ..., "code": ...}, or without url and code when there is
    // no page); answers to requests that timed out or were never made are dropped.
    void deliver(const QJsonObject &answer);
    // Answers every request still waiting with an error: the browser went away.
    void abandonAll();

public Q_SLOTS:
    // The call's message comes first: the answer goes back once the extension has sent it.
    QString CaptureActiveTab(const QDBusMessage &message, QString &html);

private:
    void fail(qint64 id, const QString &error, const QString &text);

    Sender m_sender;
    std::map<qint64, QDBusMessage> m_pending;
    qint64 m_nextId = 1;
};
