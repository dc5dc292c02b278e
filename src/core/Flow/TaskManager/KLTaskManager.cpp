#include "Flow/TaskManager/KLTaskManager.h"

#include "Model/KLTask/KLTask.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLDispatch.h"

#include <algorithm>

namespace {

bool removeTask(std::vector<std::shared_ptr<KLTask>> &list, const KLTask *task) {
    return std::erase_if(list,
                         [task](const std::shared_ptr<KLTask> &listed) { return listed.get() == task; }) > 0;
}

} // namespace

KLTaskManager::KLTaskManager(std::shared_ptr<const KLDefaultPreferences> preferences)
    : m_preferences(std::move(preferences)) {}

KLTaskManager::~KLTaskManager() = default;

void KLTaskManager::enqueueTask(const std::shared_ptr<KLTask> &task) {
    switch (task->type()) {
    case KLTask::shortDownloadType:
        addShortDownloadTask(task);
        break;
    case KLTask::longDownloadType:
        addLongDownloadTask(task);
        break;
    case KLTask::shortProcessingType:
        addShortProcessingTask(task);
        break;
    case KLTask::longProcessingType:
        addLongProcessingTask(task);
        break;
    default:
        break;
    }
}

void KLTaskManager::addShortDownloadTask(const std::shared_ptr<KLTask> &task) {
    addTask(task, KLTask::shortDownloadType);
}

void KLTaskManager::addLongDownloadTask(const std::shared_ptr<KLTask> &task) {
    addTask(task, KLTask::longDownloadType);
}

void KLTaskManager::addShortProcessingTask(const std::shared_ptr<KLTask> &task) {
    addTask(task, KLTask::shortProcessingType);
}

void KLTaskManager::addLongProcessingTask(const std::shared_ptr<KLTask> &task) {
    addTask(task, KLTask::longProcessingType);
}

void KLTaskManager::addTask(const std::shared_ptr<KLTask> &task, int32_t type) {
    // The task's end reaches the manager weakly: tasks outlive the manager in tests.
    KLTask *raw = task.get();
    const auto ended = [weakSelf = weak_from_this(), raw] {
        if (const std::shared_ptr<KLTaskManager> self = weakSelf.lock()) {
            self->taskHasEnded(raw);
        }
    };
    QObject::connect(raw, &KLTask::taskWasCompleted, raw, ended);
    QObject::connect(raw, &KLTask::taskWasTerminated, raw, ended);
    m_classes[type].waiting.push_back(task);
    askForPass();
}

void KLTaskManager::dequeueTask(const std::shared_ptr<KLTask> &task) {
    for (TaskClass &taskClass : m_classes) {
        removeTask(taskClass.waiting, task.get());
    }
}

void KLTaskManager::checkTasks() {
    const uint64_t downloads = preferenceLimit(true);
    const uint64_t processing = preferenceLimit(false);
    TaskList starting;
    for (const auto &[type, limit] : {std::pair{KLTask::shortDownloadType, shortTaskLimit},
                                      std::pair{KLTask::shortProcessingType, shortTaskLimit},
                                      std::pair{KLTask::longDownloadType, downloads},
                                      std::pair{KLTask::longProcessingType, processing}}) {
        if (std::shared_ptr<KLTask> task = takeNextTask(m_classes[type], limit)) {
            starting.push_back(task);
        }
    }
    // Counted as running already: a task that ends at once while it starts asks for the next pass.
    for (const std::shared_ptr<KLTask> &task : starting) {
        task->start();
    }
}

std::shared_ptr<KLTask> KLTaskManager::takeNextTask(TaskClass &taskClass, uint64_t limit) {
    if (taskClass.running.size() >= limit) {
        return nullptr;
    }
    while (!taskClass.waiting.empty()) {
        std::shared_ptr<KLTask> task = taskClass.waiting.front();
        taskClass.waiting.erase(taskClass.waiting.begin());
        if (task->error() != nullptr || task->hasEnded()) {
            continue; // terminated while it waited
        }
        taskClass.running.push_back(task);
        return task;
    }
    return nullptr;
}

void KLTaskManager::taskHasEnded(KLTask *task) {
    for (TaskClass &taskClass : m_classes) {
        removeTask(taskClass.running, task);
    }
    askForPass();
}

void KLTaskManager::askForPass() {
    KLDispatch::async([weakSelf = weak_from_this()] {
        if (std::shared_ptr<KLTaskManager> self = weakSelf.lock()) {
            self->checkTasks();
        }
    });
}

size_t KLTaskManager::waitingCount(int32_t type) const {
    return type >= 0 && type < 4 ? m_classes[type].waiting.size() : 0;
}

size_t KLTaskManager::runningCount(int32_t type) const {
    return type >= 0 && type < 4 ? m_classes[type].running.size() : 0;
}

uint64_t KLTaskManager::preferenceLimit(bool downloads) const {
    if (m_preferences == nullptr) {
        return downloads ? 3 : 1; // the stored preferences' own defaults
    }
    return downloads ? m_preferences->numberOfConcurrentDownloads()
                     : m_preferences->numberOfConcurrentProcessing();
}
