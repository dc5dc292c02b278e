#include "Flow/TaskManager/KLTaskManager.h"

#include "Model/KLTask/KLTask.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLObjectRepository.h"

#include <algorithm>

namespace {

bool removeTask(std::vector<std::shared_ptr<KLTask>> &list, const KLTask *task) {
    return std::erase_if(list,
                         [task](const std::shared_ptr<KLTask> &listed) { return listed.get() == task; }) > 0;
}

} // namespace

KLTaskManager::KLTaskManager() = default;

KLTaskManager::~KLTaskManager() {
    // Tasks outlive the manager only in tests, but then they must not call a listener that is gone.
    TaskList listed;
    {
        std::unique_lock lock(m_monitor);
        m_endsHandled.wait(lock, [this] { return m_endsInHand == 0; });
        for (TaskClass &taskClass : m_classes) {
            listed.insert(listed.end(), taskClass.waiting.begin(), taskClass.waiting.end());
            listed.insert(listed.end(), taskClass.running.begin(), taskClass.running.end());
        }
    }
    for (const std::shared_ptr<KLTask> &task : listed) {
        task->removeListener(this);
    }
}

// A task's monitor is taken before the manager's when the task ends (its listener call arrives holding it),
// so the manager never holds its own monitor while it calls into a task: filing, starting and forgetting
// tasks all touch the task outside the manager's monitor.
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
    task->addListener(this);
    {
        std::lock_guard lock(m_monitor);
        m_classes[type].waiting.push_back(task);
    }
    askForPass();
}

void KLTaskManager::dequeueTask(const std::shared_ptr<KLTask> &task) {
    std::lock_guard lock(m_monitor);
    for (TaskClass &taskClass : m_classes) {
        removeTask(taskClass.waiting, task.get());
    }
}

void KLTaskManager::checkTasks() {
    const uint64_t downloads = preferenceLimit(true);
    const uint64_t processing = preferenceLimit(false);
    TaskList starting;
    {
        std::lock_guard lock(m_monitor);
        for (const auto &[type, limit] : {std::pair{KLTask::shortDownloadType, shortTaskLimit},
                                          std::pair{KLTask::shortProcessingType, shortTaskLimit},
                                          std::pair{KLTask::longDownloadType, downloads},
                                          std::pair{KLTask::longProcessingType, processing}}) {
            if (std::shared_ptr<KLTask> task = takeNextTask(m_classes[type], limit)) {
                starting.push_back(task);
            }
        }
    }
    // Counted as running already, so no other pass can start more than the limit meanwhile.
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

void KLTaskManager::taskWasCompleted(KLTask *task) {
    taskHasEnded(task);
}

void KLTaskManager::taskWasTerminated(KLTask *task) {
    taskHasEnded(task);
}

void KLTaskManager::taskHasEnded(KLTask *task) {
    {
        std::lock_guard lock(m_monitor);
        for (TaskClass &taskClass : m_classes) {
            removeTask(taskClass.running, task);
        }
        ++m_endsInHand;
    }
    // An ended task tells nothing more; forgetting it here keeps it from ever calling a manager that is gone.
    task->removeListener(this);
    askForPass();
    // Told under the monitor: once it is released, nothing here touches the manager any more.
    std::lock_guard lock(m_monitor);
    if (--m_endsInHand == 0) {
        m_endsHandled.notify_all();
    }
}

void KLTaskManager::askForPass() {
    KLDispatch::async([weakSelf = weak_from_this()] {
        if (std::shared_ptr<KLTaskManager> self = weakSelf.lock()) {
            self->checkTasks();
        }
    });
}

size_t KLTaskManager::waitingCount(int32_t type) const {
    std::lock_guard lock(m_monitor);
    return type >= 0 && type < 4 ? m_classes[type].waiting.size() : 0;
}

size_t KLTaskManager::runningCount(int32_t type) const {
    std::lock_guard lock(m_monitor);
    return type >= 0 && type < 4 ? m_classes[type].running.size() : 0;
}

uint64_t KLTaskManager::preferenceLimit(bool downloads) {
    const std::shared_ptr<KLDefaultPreferences> preferences =
        KLObjectRepository::singleton()->getPreferences();
    if (preferences == nullptr) {
        return downloads ? 3 : 1; // the stored preferences' own defaults
    }
    return downloads ? preferences->numberOfConcurrentDownloads()
                     : preferences->numberOfConcurrentProcessing();
}
