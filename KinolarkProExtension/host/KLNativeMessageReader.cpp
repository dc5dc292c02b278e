#include "KLNativeMessageReader.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace {

KLNativeMessageReader::Frame broken(const QString &error) {
    return {KLNativeMessageReader::Frame::Kind::Broken, {}, error};
}

} // namespace

KLNativeMessageReader::Frame KLNativeMessageReader::next() {
    quint32 length = 0;
    const qint64 header = readFully(reinterpret_cast<char *>(&length), sizeof length);
    if (header <= 0) {
        return {};
    }
    if (header != static_cast<qint64>(sizeof length)) {
        return broken(QStringLiteral("the input ended inside a message's length"));
    }
    if (length > maximumLength) {
        return broken(QStringLiteral("a message of %1 bytes is larger than the %2 bytes allowed")
                          .arg(length)
                          .arg(maximumLength));
    }
    // The body grows as its bytes arrive (doubling from 64 KiB), so that a length promising more than ever
    // comes costs no memory.
    const auto total = static_cast<qsizetype>(length);
    QByteArray body;
    while (body.size() < total) {
        const qsizetype start = body.size();
        const qsizetype step = qMin(total - start, qMax<qsizetype>(start, 64 * 1024));
        body.resize(start + step);
        const qint64 read = readFully(body.data() + start, step);
        if (read != step) {
            return broken(QStringLiteral("the input ended after %1 of the message's %2 bytes")
                              .arg(start + qMax<qint64>(read, 0))
                              .arg(length));
        }
    }
    return {Frame::Kind::Message, body, {}};
}

qint64 KLNativeMessageReader::readFully(char *data, qint64 count) {
    qint64 done = 0;
    while (done < count) {
        const ssize_t read = ::read(m_descriptor, data + done, static_cast<size_t>(count - done));
        if (read < 0 && errno == EINTR) {
            continue;
        }
        if (read < 0) {
            return done > 0 ? done : -1;
        }
        if (read == 0) {
            break;
        }
        done += read;
    }
    return done;
}
