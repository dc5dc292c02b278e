// queue.txt, the remembered queue: read at launch, and what is read is what the next save writes.

#include "KLFuzzEnvironment.h"
#include "KLFuzzInput.h"
#include "Utils/KLQueuePersistence.h"

#include <QFile>

namespace {

void writeQueueFile(const QString &path, const QByteArray &contents) {
    QFile file(path);
    KLFuzzEnvironment::require(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                                   file.write(contents) == contents.size(),
                               "the queue file can be written");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const QString path = KLQueuePersistence(nullptr).path();
    writeQueueFile(path, KLFuzzInput(data, size).bytes());
    KLQueuePersistence loaded(nullptr);
    const QList<QUrl> urls = loaded.urls();
    loaded.save();
    KLFuzzEnvironment::require(KLQueuePersistence(nullptr).urls() == urls,
                               "a saved queue reads back the same");
    return 0;
}
