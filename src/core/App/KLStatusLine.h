#pragma once

#include <QString>

#include <memory>

struct KLControllerState;

// The status line: a message with the busy animation (and the cancel button when the work can be
// cancelled) while the controller works, the idle text otherwise, and the failure text after an intake that
// found nothing, until the next action replaces it. It decides between them from the intake's counts.
// Callable from any thread; what it shows, it shows on the main thread.
class KLStatusLine final : public std::enable_shared_from_this<KLStatusLine> {
public:
    static inline const QString idleText = QStringLiteral("Drop URLs/files here...");
    static inline const QString failedText = QStringLiteral("No contents were found...");

    explicit KLStatusLine(std::shared_ptr<KLControllerState> state);

    void setState(const QString &message, bool canCancel = true);
    void restoreState();
    void setFailedState();
    // Main thread only.
    void setSpin(bool spin);

    // An entry's preparation has ended: idle once nothing else is under way.
    void updatePreparingEntries();
    // An intake call has analysed its URLs: busy while entries prepare, failed when only this call ran and
    // found nothing, idle otherwise.
    void decideAfterIntake();

private:
    const std::shared_ptr<KLControllerState> m_state;
    bool m_currentSpin = false; // main thread only
};
