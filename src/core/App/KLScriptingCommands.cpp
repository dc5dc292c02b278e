#include "App/KLScriptingCommands.h"

#include "App/KLApplicationUI.h"
#include "App/KLUIChange.h"
#include "App/KLURLIntake.h"
#include "Model/KLTask/KLError.h"
#include "Utils/KLAddressRules.h"

#include <QUrl>

KLScriptingCommands::KLScriptingCommands(std::shared_ptr<KLApplicationUI> ui,
                                         std::shared_ptr<KLURLIntake> intake)
    : m_ui(std::move(ui)), m_intake(std::move(intake)) {}

KLScriptingCommands::CommandResult KLScriptingCommands::analyze(const std::optional<QString> &parameter) {
    if (!parameter.has_value()) {
        return {parameterErrorNumber,
                QStringLiteral(
                    "Parameter Error: A Parameter is expected for the verb 'analyze' (You have to specify "
                    "what URL you want to analyze).")};
    }
    // Refused before it is parsed: a D-Bus call may carry megabytes, and this runs on the main thread.
    if (const std::shared_ptr<KLError> tooLong = KLAddressRules::lengthRefusalFor(*parameter)) {
        return {parameterErrorNumber,
                QStringLiteral("Parameter Error: Invalid URL: %1.").arg(tooLong->errorDescription())};
    }
    const QUrl url(*parameter);
    if (parameter->trimmed().isEmpty() || !url.isValid() || url.scheme().isEmpty()) {
        return {parameterErrorNumber, QStringLiteral("Parameter Error: Invalid URL.")};
    }
    m_intake->processURLsOnceLaunched({url});
    return {};
}

void KLScriptingCommands::setBrowserGrabber(const std::shared_ptr<KLBrowserGrabber> &grabber) {
    m_browserGrabber = grabber;
}

void KLScriptingCommands::openBrowserVideo(KLBrowserGrabber::Browser browser) {
    const std::shared_ptr<KLBrowserGrabber> grabber = m_browserGrabber;
    const std::optional<KLBrowserGrabber::Page> page =
        grabber != nullptr ? grabber->grabPage(browser) : std::nullopt;
    if (page.has_value() && page->url.isValid()) {
        m_intake->processURLs({page->url}, page->html);
    }
    KLUIChange::post(m_ui, [](KLApplicationUI &ui) { ui.closeAddPopover(); });
}
