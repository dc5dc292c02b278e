#pragma once

#include "App/KLIntakeTracker.h"

#include <atomic>
#include <memory>

class KLApplicationUI;
class KLEntryTableController;

// The state the application controller's parts share, made once by the controller and held by each part:
// the user interface, the queue, what the intake is working on, and where the application's life stands.
// Its parts live on the main thread, but for the counts the tracker keeps atomic.
struct KLControllerState final {
    // Without a user interface, one that shows nothing.
    explicit KLControllerState(std::shared_ptr<KLApplicationUI> userInterface);

    const std::shared_ptr<KLApplicationUI> ui;
    const std::shared_ptr<KLEntryTableController> tableController;
    KLIntakeTracker tracker;
    // The launch has finished: URL events wait for it (see KLURLIntake::launchFinished).
    bool launched = false;
    // The application is being uninstalled: prepared entries then stay out of the queue.
    std::atomic<bool> uninstalling{false};
};
