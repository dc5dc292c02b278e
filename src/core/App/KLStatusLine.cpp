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
    // The failure stays until the next action (a new analysis, a new row, a click in the window): a message
    // that went away by itself would leave nothing to read for the user who looked away.
    KLUIChange::post(m_state->ui, [](KLApplicationUI &ui) {
        ui.setStatusTextVisible(true);
        ui.setStatusText(failedText);
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
