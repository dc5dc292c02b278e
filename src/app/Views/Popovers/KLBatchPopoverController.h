#pragma once

#include <QWidget>

class KLPopoverChoice;

// What the batch button offers: process all, pause all, resume all, clear completed, clear all. An action the
// queue does not allow now shows greyed and without its picture.
class KLBatchPopoverController final : public QWidget {
    Q_OBJECT

public:
    KLBatchPopoverController(bool showProcessAll, bool showClearCompleted, bool showClearAll, bool dark,
                             QWidget *parent = nullptr);

    KLPopoverChoice *processAllChoice() const { return m_processAll; }
    KLPopoverChoice *clearCompletedChoice() const { return m_clearCompleted; }
    KLPopoverChoice *clearAllChoice() const { return m_clearAll; }
    KLPopoverChoice *pauseAllChoice() const { return m_pauseAll; }
    KLPopoverChoice *resumeAllChoice() const { return m_resumeAll; }
    // Pausing and resuming are offered only while some entry runs, or some is paused.
    void offerPauseActions(bool pauseAll, bool resumeAll);

Q_SIGNALS:
    void processAllChosen();
    void clearCompletedChosen();
    void clearAllChosen();
    void pauseAllChosen();
    void resumeAllChosen();

private:
    KLPopoverChoice *addChoice(const QString &label, const QString &image, bool offered, bool dark);

    KLPopoverChoice *m_processAll;
    KLPopoverChoice *m_pauseAll;
    KLPopoverChoice *m_resumeAll;
    KLPopoverChoice *m_clearCompleted;
    KLPopoverChoice *m_clearAll;
};
