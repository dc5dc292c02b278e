#include "Views/Popovers/KLBatchPopoverController.h"

#include "Views/Popovers/KLPopoverChoice.h"
#include "Views/Utils/KLTheme.h"

#include <QVBoxLayout>

KLBatchPopoverController::KLBatchPopoverController(bool showProcessAll, bool showClearCompleted,
                                                   bool showClearAll, bool dark, QWidget *parent)
    : QWidget(parent) {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    m_processAll = addChoice(tr("Process all"), QStringLiteral("icon-download-all"), showProcessAll, dark);
    m_pauseAll = addChoice(tr("Pause All"), QStringLiteral("icon-pause-all"), false, dark);
    m_resumeAll = addChoice(tr("Resume All"), QStringLiteral("icon-resume-all"), false, dark);
    m_clearCompleted =
        addChoice(tr("Clear completed"), QStringLiteral("icon-clear-completed"), showClearCompleted, dark);
    m_clearAll = addChoice(tr("Clear all"), QStringLiteral("icon-clear-all"), showClearAll, dark);
    connect(m_processAll, &KLPopoverChoice::chosen, this, &KLBatchPopoverController::processAllChosen);
    connect(m_clearCompleted, &KLPopoverChoice::chosen, this,
            &KLBatchPopoverController::clearCompletedChosen);
    connect(m_clearAll, &KLPopoverChoice::chosen, this, &KLBatchPopoverController::clearAllChosen);
    connect(m_pauseAll, &KLPopoverChoice::chosen, this, &KLBatchPopoverController::pauseAllChosen);
    connect(m_resumeAll, &KLPopoverChoice::chosen, this, &KLBatchPopoverController::resumeAllChosen);
}

void KLBatchPopoverController::offerPauseActions(bool pauseAll, bool resumeAll) {
    m_pauseAll->setOffered(pauseAll);
    m_resumeAll->setOffered(resumeAll);
}

KLPopoverChoice *KLBatchPopoverController::addChoice(const QString &label, const QString &image, bool offered,
                                                     bool dark) {
    auto *choice = new KLPopoverChoice(label, dark, this);
    choice->setImageName(KLTheme(dark).batchImage(image));
    choice->setOffered(offered);
    layout()->addWidget(choice);
    return choice;
}
