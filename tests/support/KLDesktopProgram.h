#pragma once

#include "KLPrivateSessionBus.h"
#include "KLVirtualDisplay.h"

#include <QProcess>
#include <QStringList>

#include <chrono>
#include <memory>

// The window's program of the build (kinolarkpro) run as on a desktop, on an X server and a session bus of
// the test's own, which start with the object and end with it.
class KLDesktopProgram final {
public:
    KLDesktopProgram() = default;
    ~KLDesktopProgram();
    KLDesktopProgram(const KLDesktopProgram &) = delete;
    KLDesktopProgram &operator=(const KLDesktopProgram &) = delete;

    // Starts the X server and the session bus; false when either cannot start here.
    bool prepare();
    // Starts the program and waits until it answers on the bus; false when it does not in time.
    bool start(const QStringList &arguments = {},
               std::chrono::milliseconds timeout = std::chrono::seconds(30));
    // Asks the program to end as the desktop does, and kills it when it does not in time.
    void quit();
    QProcess &process() { return m_program; }

private:
    KLPrivateSessionBus m_bus;
    KLVirtualDisplay m_display;
    QProcess m_program;
};
