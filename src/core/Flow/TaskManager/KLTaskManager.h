#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class KLTask;

class KLDefaultPreferences;

// Starts the queued heavy tasks of the entries: four first-come-first-served queues, each started while
// the number of running tasks of its class stays under a limit. The limits of downloads and conversions
// come from the stored preferences at every pass; short jobs run four at a time. It lives on the main thread,
// where the tasks it starts end.
class KLTaskManager final : public std::enable_shared_from_this<KLTaskManager> {
public:
    static constexpr uint64_t shortTaskLimit = 4;

    // The limits come from these settings; without them, from the settings' own defaults.
    explicit KLTaskManager(std::shared_ptr<const KLDefaultPreferences> preferences = nullptr);
    ~KLTaskManager();
    KLTaskManager(const KLTaskManager &) = delete;
    KLTaskManager &operator=(const KLTaskManager &) = delete;

    // Files the task by its type; a task of an unknown type is ignored.
    void enqueueTask(const std::shared_ptr<KLTask> &task);
    void addShortDownloadTask(const std::shared_ptr<KLTask> &task);
    void addLongDownloadTask(const std::shared_ptr<KLTask> &task);
    void addShortProcessingTask(const std::shared_ptr<KLTask> &task);
    void addLongProcessingTask(const std::shared_ptr<KLTask> &task);
    // Takes the task off every waiting list; a running task stays running and counted.
    void dequeueTask(const std::shared_ptr<KLTask> &task);

    // One scheduling pass; runs on the main thread.
    void checkTasks();

    // Snapshot counts, for observers and tests.
    size_t waitingCount(int32_t type) const;
    size_t runningCount(int32_t type) const;

private:
    using TaskList = std::vector<std::shared_ptr<KLTask>>;

    struct TaskClass {
        TaskList waiting;
        TaskList running;
    };

    void addTask(const std::shared_ptr<KLTask> &task, int32_t type);
    // A listed task ended (completed or terminated): it leaves the running list and the next may start.
    void taskHasEnded(KLTask *task);
    void askForPass();
    // Moves the next waiting task of the class to its running list while the class is under its limit.
    static std::shared_ptr<KLTask> takeNextTask(TaskClass &taskClass, uint64_t limit);
    uint64_t preferenceLimit(bool downloads) const;

    // Indexed by the scheduling class: short download, long download, short processing, long processing.
    const std::shared_ptr<const KLDefaultPreferences> m_preferences;
    TaskClass m_classes[4];
};
