#pragma once

#include "KLBrowserSession.h"

// Debian's Firefox ESR, driven through WebDriver BiDi. The extension is installed as a temporary add-on,
// and the toolbar button is pressed by running, in the browser window, what a click on it runs.
class KLFirefoxSession final : public KLBrowserSession {
public:
    ~KLFirefoxSession() override { stop(); }

    QString busName() const override { return QStringLiteral("org.kinolark.KinolarkPro.Browser.Firefox"); }
    QString profileDirectory() const override { return root() + QStringLiteral("/profile"); }
    bool openPage(const QUrl &url, bool waitForLoad) override;
    std::optional<QString> pageSource() override;
    bool pressToolbarButton() override;
    std::optional<QUrl> extensionPage(const QString &file) override;
    std::optional<QJsonValue> evaluateInPage(const QString &expression) override;

protected:
    bool startBrowser() override;
    void closeBrowser() override;

private:
    bool writePreferences(const QString &profile);
    // The first top-level browsing context: the tab (scope "content") or the browser window ("chrome").
    std::optional<QString> topContext(const QString &scope);
    std::optional<QJsonValue> evaluate(const QString &context, const QString &expression);

    QString m_tab;
};
