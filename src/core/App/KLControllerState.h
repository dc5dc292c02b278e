#pragma once

#include "App/KLIntakeTracker.h"

#include <memory>

class KLApplicationUI;
class KLEntryTableController;
class KLServices;

// The state the application controller's parts share, made once by the controller and held by each part:
// the user interface, the services (filled in by the launch), the queue, what the intake is working on, and
// where the application's life stands. Main thread only.
struct KLControllerState final {
    // Without a user interface, one that shows nothing.
    explicit KLControllerState(std::shared_ptr<KLApplicationUI> userInterface);

    const std::shared_ptr<KLApplicationUI> ui;
    const std::shared_ptr<KLServices> services;
    const std::shared_ptr<KLEntryTableController> tableController;
    KLIntakeTracker tracker;
    // The launch has finished: URL events wait for it (see KLURLIntake::launchFinished).
    bool launched = false;
    // The application is being uninstalled: prepared entries then stay out of the queue.
    bool uninstalling = false;
};
