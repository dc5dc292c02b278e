#include "Model/KLTask/KLTaskListener.h"

void KLTaskListener::taskHasReachedCompletionFactor(KLTask *, double) {}
void KLTaskListener::taskHasReachedETA(KLTask *, const QString &) {}
void KLTaskListener::taskWasCompleted(KLTask *) {}
void KLTaskListener::taskWasTerminated(KLTask *) {}
void KLTaskListener::taskWasStarted(KLTask *) {}
void KLTaskListener::taskDescriptionWasChanged(KLTask *, const QString &) {}
