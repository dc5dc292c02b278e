#pragma once

#include "KLPrivateSessionBus.h"
#include "KLVirtualDisplay.h"

#include <QMap>
#include <QProcess>
#include <QStringList>

#include <chrono>
#include <memory>

// The window's program of the build (kinolarkpro) run as on a desktop, on an X server and a session bus of
// the test's own, which start with the object and end with it; on request with the accessibility bus that
// screen readers read (see KLAccessibilityTree).
class KLDesktopProgram final {
public:
    KLDesktopProgram() = default;
    ~KLDesktopProgram();
    KLDesktopProgram(const KLDesktopProgram &) = delete;
    KLDesktopProgram &operator=(const KLDesktopProgram &) = delete;

    struct Desktop {
        QString screenSize = QStringLiteral("1280x1024");
        bool accessible = false;
    };

    // Starts the X server and the session bus (and the accessibility bus); false when one cannot start here.
    bool prepare(const Desktop &desktop);
    bool prepare() { return prepare(Desktop{}); }
    // Starts the program and waits until it answers on the bus; false when it does not in time. `environment`
    // adds to the program's environment (a scale factor, say).
    bool start(const QStringList &arguments = {},
               std::chrono::milliseconds timeout = std::chrono::seconds(30),
               const QMap<QString, QString> &environment = {});
    // Asks the program to end as the desktop does, and kills it when it does not in time.
    void quit();
    // What became of the program, for a failed wait's message: how it ended, or, while it runs, where each
    // of its threads stands (when gdb is there to tell), so that a hang and a crash read apart.
    QString whereItStands();
    QProcess &process() { return m_program; }
    // ":N", the X server's display, for tools that act on it (key presses, the clipboard).
    QString display() const { return m_display.display(); }

private:
    bool startAccessibilityBus();

    KLPrivateSessionBus m_bus;
    KLVirtualDisplay m_display;
    QProcess m_accessibilityBus;
    bool m_accessible = false;
    QProcess m_program;
};
