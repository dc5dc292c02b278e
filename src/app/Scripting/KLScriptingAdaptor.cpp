#include "Scripting/KLScriptingAdaptor.h"

#include "App/KLAppDelegate.h"
#include "Utils/KLDispatch.h"

#include <QDBusConnection>

KLScriptingAdaptor::KLScriptingAdaptor(QObject *parent, std::weak_ptr<KLAppDelegate> delegate)
    : QDBusAbstractAdaptor(parent), m_delegate(std::move(delegate)) {}

void KLScriptingAdaptor::Analyze(const QString &url, const QDBusMessage &message) {
    // D-Bus has no missing argument: an empty one stands for it.
    analyze(url.isEmpty() ? std::nullopt : std::optional<QString>(url), message);
}

void KLScriptingAdaptor::Analyze(const QDBusMessage &message) {
    analyze(std::nullopt, message);
}

void KLScriptingAdaptor::analyze(const std::optional<QString> &url, const QDBusMessage &message) {
    const auto controller = delegate();
    if (controller == nullptr) {
        return;
    }
    const KLAppDelegate::CommandResult result = controller->analyze(url);
    if (result.errorNumber != 0) {
        message.setDelayedReply(true);
        QDBusConnection::sessionBus().send(
            message.createErrorReply(invalidParameterError, result.errorString));
    }
}

void KLScriptingAdaptor::ProcessAll() {
    if (const auto controller = delegate()) {
        controller->processAll();
    }
}

void KLScriptingAdaptor::PauseAll() {
    if (const auto controller = delegate()) {
        controller->pauseAll();
    }
}

void KLScriptingAdaptor::ResumeAll() {
    if (const auto controller = delegate()) {
        controller->resumeAll();
    }
}

void KLScriptingAdaptor::ClearAll() {
    if (const auto controller = delegate()) {
        controller->clearAll();
    }
}

void KLScriptingAdaptor::ClearCompleted() {
    if (const auto controller = delegate()) {
        controller->clearCompleted();
    }
}

void KLScriptingAdaptor::GrabFirefox() {
    if (const auto controller = delegate()) {
        KLDispatch::background(
            [controller] { controller->openBrowserVideo(KLBrowserGrabber::Browser::Firefox); });
    }
}

void KLScriptingAdaptor::GrabChrome() {
    if (const auto controller = delegate()) {
        KLDispatch::background(
            [controller] { controller->openBrowserVideo(KLBrowserGrabber::Browser::Chrome); });
    }
}
