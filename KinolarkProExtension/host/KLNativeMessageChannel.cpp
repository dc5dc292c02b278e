#include "KLNativeMessageChannel.h"

#include "KLNativeMessageReader.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <cerrno>

#include <unistd.h>

KLNativeMessageChannel::KLNativeMessageChannel(int input, int output, QObject *parent)
    : QObject(parent), m_input(input), m_output(output) {}

KLNativeMessageChannel::~KLNativeMessageChannel() {
    if (m_reader.joinable()) {
        m_reader.join();
    }
}

void KLNativeMessageChannel::start() {
    m_reader = std::thread([this] { readMessages(); });
}

void KLNativeMessageChannel::readMessages() {
    KLNativeMessageReader reader(m_input);
    for (;;) {
        const KLNativeMessageReader::Frame frame = reader.next();
        if (frame.kind != KLNativeMessageReader::Frame::Kind::Message) {
            Q_EMIT inputEnded(frame.error);
            return;
        }
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(frame.body, &error);
        if (error.error != QJsonParseError::NoError) {
            Q_EMIT messageRefused(
                QStringLiteral("malformed JSON at byte %1: %2").arg(error.offset).arg(error.errorString()));
        } else if (!document.isObject()) {
            Q_EMIT messageRefused(QStringLiteral("the message is not a JSON object"));
        } else {
            Q_EMIT messageReceived(document.object());
        }
    }
}

QByteArray KLNativeMessageChannel::frame(const QJsonObject &message) {
    const QByteArray body = QJsonDocument(message).toJson(QJsonDocument::Compact);
    const quint32 length = static_cast<quint32>(body.size());
    return QByteArray(reinterpret_cast<const char *>(&length), sizeof length) + body;
}

bool KLNativeMessageChannel::send(const QJsonObject &message) {
    const QByteArray frame = KLNativeMessageChannel::frame(message);
    if (frame.size() - static_cast<qsizetype>(sizeof(quint32)) > maximumAnswerLength) {
        return false;
    }
    qsizetype written = 0;
    while (written < frame.size()) {
        const ssize_t count =
            ::write(m_output, frame.constData() + written, static_cast<size_t>(frame.size() - written));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        written += count;
    }
    return true;
}
