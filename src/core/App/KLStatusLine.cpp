#include "App/KLStatusLine.h"

#include "App/KLApplicationUI.h"
#include "App/KLControllerState.h"
#include "App/KLUIChange.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLLog.h"

KLStatusLine::KLStatusLine(std::shared_ptr<KLControllerState> state) : m_state(std::move(state)) {}

void KLStatusLine::setState(const QString &message, bool canCancel) {
    KLDispatch::async([self = shared_from_this(), message, canCancel] {
        self->setSpin(true);
        self->m_state->ui->setCancelButtonVisible(canCancel);
        self->m_state->ui->setStatusText(message);
    });
}

void KLStatusLine::restoreState() {
    KLDispatch::async([self = shared_from_this()] {
        self->setSpin(false);
        self->m_state->ui->setCancelButtonVisible(false);
        self->m_state->ui->setStatusText(idleText);
    });
}

void KLStatusLine::setFailedState() {
    KLUIChange::post(m_state->ui, [](KLApplicationUI &ui) {
        ui.setStatusTextVisible(true);
        ui.setStatusText(failedText);
    });
    // The message stays up for a while unless new intake has taken the line over meanwhile.
    KLDispatch::after(failedTextDuration, [self = shared_from_this()] {
        if (self->m_state->tracker.callsToProcessURLs() == 0) {
            self->m_state->ui->setStatusTextVisible(false);
            self->restoreState();
        }
    });
}

void KLStatusLine::setSpin(bool spin) {
    if (spin == m_currentSpin) {
        return;
    }
    m_currentSpin = spin;
    KLLog::log(spin ? QStringLiteral("Start spinning...") : QStringLiteral("Stop spinning..."));
    m_state->ui->setStatusTextVisible(spin);
    m_state->ui->setSpinning(spin);
}

void KLStatusLine::updatePreparingEntries() {
    m_state->tracker.withCounts([this](KLIntakeTracker::Counts &counts) {
        if (counts.preparingEntries > 0) {
            --counts.preparingEntries;
        }
        if (counts.preparingEntries == 0 && m_state->tracker.callsToProcessURLs() == 0) {
            counts.foundContent = false;
            restoreState();
        }
    });
}

void KLStatusLine::decideAfterIntake() {
    m_state->tracker.withCounts([this](KLIntakeTracker::Counts &counts) {
        if (counts.preparingEntries != 0) {
            setState(QStringLiteral("Preprocessing URLs..."));
        } else if (counts.foundContent) {
            counts.foundContent = false;
            restoreState();
        } else if (m_state->tracker.callsToProcessURLs() == 1) {
            setFailedState();
        } else {
            counts.foundContent = false;
            restoreState();
        }
    });
}
