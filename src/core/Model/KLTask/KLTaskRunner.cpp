#include "Model/KLTask/KLTaskRunner.h"

#include "Model/KLTask/KLTask.h"
#include "Utils/KLKinolarkUtils.h"

#include <QFile>
#include <QSaveFile>

namespace {

bool writeTextFile(const QString &path, const QString &text) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0 && file.commit();
}

} // namespace

void KLTaskRunner::run(const std::shared_ptr<KLTask> &task, std::function<void(KLTask &ended)> then) {
    // The block keeps the task alive until its end, when it lets go of itself: nobody else holds the task.
    task->setCompletionBlock([keep = task, then = std::move(then)](KLTask *ended) {
        ended->setCompletionBlock(nullptr);
        then(*ended);
    });
    task->start();
}

void KLTaskRunner::urlsFoundInText(
    const QString &text, const std::function<std::shared_ptr<KLTask>(const QString &file)> &makeTask,
    std::function<void(const QList<QUrl> &found)> then) {
    const QString file = KLKinolarkUtils::createTemporaryFile();
    writeTextFile(file, text);
    run(makeTask(file), [file, then = std::move(then)](KLTask &ended) {
        QFile::remove(file);
        then(ended.resultAs<QList<QUrl>>());
    });
}
