#pragma once

#include <QByteArray>
#include <QString>

// Reads what a browser sends its native-messaging host: each message is a 32-bit length in the machine's
// own byte order, then that many bytes of UTF-8 JSON. Reads block; the reader never reads past the end of
// the message it returns.
class KLNativeMessageReader final {
public:
    // Chromium sends at most 64 MiB; Firefox would send up to 4 GiB, which no page needs.
    static constexpr quint32 maximumLength = 64u * 1024u * 1024u;

    struct Frame {
        enum class Kind {
            Message, // body holds the message's bytes
            End,     // the input ended between two messages
            Broken,  // error says what was wrong; nothing after it can be read as a message
        };
        Kind kind = Kind::End;
        QByteArray body;
        QString error;
    };

    explicit KLNativeMessageReader(int descriptor) : m_descriptor(descriptor) {}

    Frame next();

private:
    // Reads exactly `count` bytes unless the input ends first; returns how many it read (-1 on an error).
    qint64 readFully(char *data, qint64 count);

    int m_descriptor;
};
