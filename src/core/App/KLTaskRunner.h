#pragma once

#include <QList>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class KLTask;

// Runs script tasks to their end on the calling thread, which waits meanwhile: callers are background
// threads, since a script may take minutes.
class KLTaskRunner final {
public:
    template <class Task> static std::shared_ptr<Task> runToEnd(std::shared_ptr<Task> task) {
        task->start();
        task->wait();
        return task;
    }

    // Saves the text to a scratch file, runs the task `makeTask` builds for that file to its end, removes
    // the file and returns the URLs the task found.
    static QList<QUrl>
    urlsFoundInText(const QString &text,
                    const std::function<std::shared_ptr<KLTask>(const QString &file)> &makeTask);
};
