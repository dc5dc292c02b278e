#pragma once

#include "KLBrowserSession.h"

// Debian's Chromium, driven through the DevTools protocol. The toolbar button is pressed with
// Extensions.triggerAction, which runs the extension's action in a tab as a click on it does.
class KLChromiumSession final : public KLBrowserSession {
public:
    ~KLChromiumSession() override { stop(); }

    QString busName() const override { return QStringLiteral("org.kinolark.KinolarkPro.Browser.Chromium"); }
    // The browser's data folder holds its profiles; the one it starts with is Default.
    QString profileDirectory() const override { return root() + QStringLiteral("/.config/chromium/Default"); }
    bool openPage(const QUrl &url, bool waitForLoad) override;
    std::optional<QString> pageSource() override;
    bool pressToolbarButton() override;
    std::optional<QUrl> extensionPage(const QString &file) override;
    std::optional<QJsonValue> evaluateInPage(const QString &expression) override;

protected:
    bool startBrowser() override;
    void closeBrowser() override;

private:
    std::optional<QJsonValue> evaluate(const QString &expression);

    QString m_pageSession;
    QUrl m_pageURL;
};
