#include "App/KLTaskRunner.h"

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

QList<QUrl>
KLTaskRunner::urlsFoundInText(const QString &text,
                              const std::function<std::shared_ptr<KLTask>(const QString &file)> &makeTask) {
    const QString file = KLKinolarkUtils::createTemporaryFile();
    writeTextFile(file, text);
    const auto task = runToEnd(makeTask(file));
    QFile::remove(file);
    return task->resultAs<QList<QUrl>>();
}
