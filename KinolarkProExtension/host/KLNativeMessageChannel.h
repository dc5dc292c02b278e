#pragma once

#include <QJsonObject>
#include <QObject>
#include <QString>

#include <thread>

// The host's side of the pipe pair the browser opened: messages arrive on a thread of their own (a page's
// source may take a while to come through), are parsed there and reach the owner's thread as signals, in
// the order they came. Answers are written at once, from the owner's thread.
class KLNativeMessageChannel final : public QObject {
    Q_OBJECT

public:
    // The browsers take at most 1 MB from a host in one message.
    static constexpr qsizetype maximumAnswerLength = 1024 * 1024;

    KLNativeMessageChannel(int input, int output, QObject *parent = nullptr);
    // Waits for the reading thread, which has ended once inputEnded was sent.
    ~KLNativeMessageChannel() override;

    void start();
    // False when the message is too large for the browser or the pipe is gone.
    bool send(const QJsonObject &message);
    // The bytes send() writes for the message: its length, then its compact JSON.
    static QByteArray frame(const QJsonObject &message);
    int output() const { return m_output; }

Q_SIGNALS:
    void messageReceived(const QJsonObject &message);
    // A message that is not a JSON object; the ones after it still come.
    void messageRefused(const QString &reason);
    // No message comes any more; `error` says why when the input broke instead of ending.
    void inputEnded(const QString &error);

private:
    void readMessages();

    int m_input;
    int m_output;
    std::thread m_reader;
};
