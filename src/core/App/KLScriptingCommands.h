#pragma once

#include "App/KLBrowserGrabber.h"

#include <QString>

#include <memory>
#include <optional>

class KLApplicationUI;
class KLURLIntake;

// The commands other programs give: analyse a URL, and take the page a browser shows (through the browser
// extension). The intake runs in the background; a command returns at once.
class KLScriptingCommands final {
public:
    static constexpr int parameterErrorNumber = -50;

    // The outcome of a scripting command: error number 0 for success.
    struct CommandResult {
        int errorNumber = 0;
        QString errorString;
    };

    KLScriptingCommands(std::shared_ptr<KLApplicationUI> ui, std::shared_ptr<KLURLIntake> intake);

    // The analyse command; nothing for a missing parameter.
    CommandResult analyze(const std::optional<QString> &parameter);
    // Before the first command: the grabber is then read without a lock.
    void setBrowserGrabber(const std::shared_ptr<KLBrowserGrabber> &grabber);
    void openBrowserVideo(KLBrowserGrabber::Browser browser);

private:
    const std::shared_ptr<KLApplicationUI> m_ui;
    const std::shared_ptr<KLURLIntake> m_intake;

    // Given once at start, before any command can come; read by the pool jobs that grab a page.
    std::shared_ptr<KLBrowserGrabber> m_browserGrabber;
};
