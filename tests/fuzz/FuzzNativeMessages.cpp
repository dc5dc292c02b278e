// What a browser writes to kinolark-extension-host: framed messages (a length, then that many bytes).

#include "KLFuzzEnvironment.h"
#include "KLFuzzInput.h"
#include "KLNativeMessageReader.h"

#include <QJsonDocument>

#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // A memory file, not a pipe: a pipe would block on inputs larger than its buffer.
    static const int input = ::memfd_create("kinolark-fuzz-messages", MFD_CLOEXEC);
    KLFuzzEnvironment::require(input >= 0 && ::ftruncate(input, 0) == 0 &&
                                   ::pwrite(input, data, size, 0) == static_cast<ssize_t>(size) &&
                                   ::lseek(input, 0, SEEK_SET) == 0,
                               "the messages can be put into a memory file");
    KLNativeMessageReader reader(input);
    qint64 consumed = 0;
    for (;;) {
        const KLNativeMessageReader::Frame frame = reader.next();
        if (frame.kind != KLNativeMessageReader::Frame::Kind::Message) {
            KLFuzzEnvironment::require(frame.kind == KLNativeMessageReader::Frame::Kind::End ||
                                           !frame.error.isEmpty(),
                                       "a broken input says what broke");
            break;
        }
        consumed += static_cast<qint64>(sizeof(quint32)) + frame.body.size();
        KLFuzzEnvironment::require(::lseek(input, 0, SEEK_CUR) == consumed, "nothing past a message is read");
        // As the host's channel reads each message.
        QJsonDocument::fromJson(frame.body);
    }
    return 0;
}
