#pragma once

#include <QList>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class KLTask;

// Runs tasks that nobody else holds: each starts the task and hands on what it found, on the main thread,
// once it has ended.
class KLTaskRunner final {
public:
    // Starts the task; `then` runs with it once it has ended (completed or terminated).
    static void run(const std::shared_ptr<KLTask> &task, std::function<void(KLTask &ended)> then);

    // Saves the text to a scratch file, runs the task `makeTask` builds for that file, removes the file and
    // hands the URLs the task found to `then`.
    static void urlsFoundInText(const QString &text,
                                const std::function<std::shared_ptr<KLTask>(const QString &file)> &makeTask,
                                std::function<void(const QList<QUrl> &found)> then);
};
