#pragma once

#include "KLAutomationSocket.h"

#include <QJsonValue>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>
#include <optional>

// A real browser for the extension's tests: headless, with a fresh profile and home folder of its own in
// which the extension's host has written its manifests (kinolark-extension-host --user), the unpacked
// extension loaded, and driven through its automation protocol. It reaches only 127.0.0.1. The browser
// inherits the test's session bus, and so does the host it starts.
class KLBrowserSession {
public:
    enum class Kind { Chromium, Firefox };

    static std::unique_ptr<KLBrowserSession> make(Kind kind);
    static QString name(Kind kind);
    static QString extensionDirectory();
    static QString hostProgram();

    virtual ~KLBrowserSession();
    KLBrowserSession(const KLBrowserSession &) = delete;
    KLBrowserSession &operator=(const KLBrowserSession &) = delete;

    // Starts the browser with the extension; false, with the reason in lastError(), when it could not.
    bool start();
    // Ends the browser (and with it the host it started) and waits for it.
    void stop();
    // The name the extension's host takes on the session bus for this browser.
    virtual QString busName() const = 0;
    // The folder of the browser's profile, where it keeps its cookies.
    virtual QString profileDirectory() const = 0;

    // Shows the page in the active tab; waits until it has loaded unless told not to.
    virtual bool openPage(const QUrl &url, bool waitForLoad = true) = 0;
    // The source of the active tab's page as the page gives it: document.documentElement.outerHTML.
    virtual std::optional<QString> pageSource() = 0;
    // Does in the active tab exactly what a click on the extension's toolbar button does.
    virtual bool pressToolbarButton() = 0;
    // The address of one of the extension's own pages ("options.html"); nothing when it is not known.
    virtual std::optional<QUrl> extensionPage(const QString &file) = 0;
    // What the expression gives in the active tab's page; nothing when it throws.
    virtual std::optional<QJsonValue> evaluateInPage(const QString &expression) = 0;

    QString lastError() const { return m_lastError; }
    // The last of what the browser and the host wrote on standard error.
    QString log() const { return m_log.right(8000); }

protected:
    KLBrowserSession() = default;

    QString root() const { return m_root.path(); }
    QProcessEnvironment environment() const;
    // Starts the browser and waits for the line on standard error that names its automation endpoint
    // (the first capture of `endpoint`); empty when it did not come.
    QString launch(const QString &program, const QStringList &arguments, const QRegularExpression &endpoint);
    virtual bool startBrowser() = 0;
    // Asks the browser to close; stop() kills it when it does not.
    virtual void closeBrowser() = 0;
    bool fail(const QString &error);

    KLAutomationSocket m_socket;

private:
    bool writeHostManifests();

    QTemporaryDir m_root;
    QProcess m_browser;
    QString m_lastError;
    QString m_log;
};
