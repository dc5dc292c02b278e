#pragma once

#include "Model/KLTask/KLError.h"

#include <QObject>
#include <QString>

#include <any>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// A piece of work that runs beside the window: it starts on the main thread, where its processes' signals
// drive it, publishes progress, the time to go and a description, and ends exactly once: completed (with a
// result or an error) or terminated. A task lives on the main thread: start() and terminate() may be called
// from any thread (they are posted to the main thread), the rest only there. Tasks are always owned through
// std::shared_ptr.
class KLTask : public QObject, public std::enable_shared_from_this<KLTask> {
    Q_OBJECT

public:
    // Scheduling classes.
    static constexpr int32_t shortDownloadType = 0;
    static constexpr int32_t longDownloadType = 1;
    static constexpr int32_t shortProcessingType = 2;
    static constexpr int32_t longProcessingType = 3;

    using CompletionBlock = std::function<void(KLTask *)>;

    KLTask();
    virtual ~KLTask();
    KLTask(const KLTask &) = delete;
    KLTask &operator=(const KLTask &) = delete;

    double completionFactor() const;
    void setCompletionFactor(double completionFactor);
    QString eta() const;
    void setEta(const QString &eta);
    QString taskDescription() const;
    void setTaskDescription(const QString &taskDescription);
    bool finished() const;
    // With true: ends the task as completed, unless it has already ended.
    void setFinished(bool finished);

    std::shared_ptr<KLError> error() const;
    // Ignored once the task has ended: a work routine that fails after a termination must not replace the
    // termination error.
    void setError(std::shared_ptr<KLError> error);
    std::any result() const;
    void setResult(std::any result);
    // The result as a T, or a default T when there is none or it is of another kind.
    template <class T> T resultAs() const {
        const std::any value = result();
        const T *typed = std::any_cast<T>(&value);
        return typed != nullptr ? *typed : T{};
    }
    int32_t type() const;
    void setType(int32_t type);
    void setCompletionBlock(CompletionBlock completionBlock);
    void runCompletionBlock();

    // Begins the work on the main thread (at once when called there, else as soon as the main thread's
    // event loop comes to it) and returns. A task that has already ended is not started again.
    void start();
    // Ends the task early, on the main thread (posted there from any other). Subclasses stop their script or
    // sub-task first, then call this.
    virtual void terminate();
    // Runs the event loop until the task has ended. For callers outside it (a test, the command line's
    // one-off commands); main thread only.
    void wait();

    // True once completion or termination has been reported.
    bool hasEnded() const;

Q_SIGNALS:
    // What listeners hear, on the main thread: the progress (0 to 1), the time to go, the description, the
    // start and the end (completed or terminated, exactly one of the two).
    void taskHasReachedCompletionFactor(double completionFactor);
    void taskHasReachedETA(const QString &eta);
    void taskWasCompleted();
    void taskWasTerminated();
    void taskWasStarted();
    void taskDescriptionWasChanged(const QString &description);

protected:
    // Begins the work, on the main thread; it returns at once and the task ends later with
    // setFinished(true), after storing the result or the error.
    virtual void doTaskMain();
    virtual void prepareTaskDescription();

private:
    void markFinished();

    QString m_eta;
    QString m_taskDescription;
    std::shared_ptr<KLError> m_error;
    std::any m_result;
    CompletionBlock m_completionBlock;

    std::atomic<double> m_completionFactor{0.0};
    std::atomic<bool> m_finished{false};
    std::atomic<bool> m_ended{false};
    std::atomic<int32_t> m_type{0};
};
