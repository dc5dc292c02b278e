#include "KLFirefoxSession.h"

#include "KLTestEnvironment.h"

#include <QDir>
#include <QJsonArray>

using namespace std::chrono_literals;

namespace {

// Everything Firefox would reach out to on its own is off or pointed at a closed local port, and whatever
// is left goes through a proxy that does not exist; 127.0.0.1 is reached directly.
const char *const preferences = R"(
user_pref("network.proxy.type", 1);
user_pref("network.proxy.http", "127.0.0.1");
user_pref("network.proxy.http_port", 9);
user_pref("network.proxy.ssl", "127.0.0.1");
user_pref("network.proxy.ssl_port", 9);
user_pref("network.proxy.socks_remote_dns", true);
user_pref("network.proxy.allow_hijacking_localhost", false);
user_pref("network.proxy.no_proxies_on", "127.0.0.1");
user_pref("network.dns.disablePrefetch", true);
user_pref("network.prefetch-next", false);
user_pref("network.predictor.enabled", false);
user_pref("network.captive-portal-service.enabled", false);
user_pref("network.connectivity-service.enabled", false);
user_pref("network.trr.mode", 5);
user_pref("app.update.disabledForTesting", true);
user_pref("app.update.auto", false);
user_pref("app.normandy.enabled", false);
user_pref("app.shield.optoutstudies.enabled", false);
user_pref("messaging-system.rsexperimentloader.enabled", false);
user_pref("services.settings.server", "http://127.0.0.1:9/");
user_pref("browser.safebrowsing.malware.enabled", false);
user_pref("browser.safebrowsing.phishing.enabled", false);
user_pref("browser.safebrowsing.blockedURIs.enabled", false);
user_pref("browser.safebrowsing.downloads.enabled", false);
user_pref("browser.safebrowsing.downloads.remote.enabled", false);
user_pref("browser.safebrowsing.update.enabled", false);
user_pref("browser.search.update", false);
user_pref("browser.region.network.url", "");
user_pref("browser.region.update.enabled", false);
user_pref("browser.newtabpage.enabled", false);
user_pref("browser.newtabpage.activity-stream.feeds.system.topstories", false);
user_pref("browser.newtabpage.activity-stream.feeds.topsites", false);
user_pref("browser.topsites.contile.enabled", false);
user_pref("browser.startup.homepage_override.mstone", "ignore");
user_pref("browser.aboutwelcome.enabled", false);
user_pref("browser.shell.checkDefaultBrowser", false);
user_pref("datareporting.healthreport.uploadEnabled", false);
user_pref("datareporting.policy.dataSubmissionEnabled", false);
user_pref("toolkit.telemetry.enabled", false);
user_pref("toolkit.telemetry.unified", false);
user_pref("toolkit.telemetry.server", "");
user_pref("toolkit.coverage.endpoint.base", "");
user_pref("extensions.update.enabled", false);
user_pref("extensions.getAddons.cache.enabled", false);
user_pref("extensions.blocklist.enabled", false);
user_pref("extensions.systemAddon.update.enabled", false);
user_pref("media.gmp-manager.url", "");
user_pref("media.gmp-gmpopenh264.enabled", false);
user_pref("geo.provider.network.url", "");
user_pref("identity.fxaccounts.enabled", false);
user_pref("dom.push.connection.enabled", false);
user_pref("security.OCSP.enabled", 0);
user_pref("security.remote_settings.crlite_filters.enabled", false);
user_pref("security.remote_settings.intermediates.enabled", false);
)";

} // namespace

bool KLFirefoxSession::writePreferences(const QString &profile) {
    if (!QDir().mkpath(profile)) {
        return fail(QStringLiteral("cannot make %1").arg(profile));
    }
    KLTestEnvironment::writeFile(profile + QStringLiteral("/user.js"), preferences);
    return true;
}

bool KLFirefoxSession::startBrowser() {
    const QString profile = root() + QStringLiteral("/profile");
    if (!writePreferences(profile)) {
        return false;
    }
    // System access lets the test reach the browser window, where the toolbar button is.
    const QString endpoint =
        launch(QStringLiteral("firefox-esr"),
               {QStringLiteral("--headless"), QStringLiteral("--no-remote"), QStringLiteral("--profile"),
                profile, QStringLiteral("--remote-debugging-port=0"),
                QStringLiteral("--remote-allow-system-access"), QStringLiteral("about:blank")},
               QRegularExpression(QStringLiteral("WebDriver BiDi listening on (ws://\\S+)")));
    if (endpoint.isEmpty() || !m_socket.open(QUrl(endpoint + QStringLiteral("/session")))) {
        return endpoint.isEmpty() ? false : fail(m_socket.lastError());
    }
    const bool started =
        m_socket.command(QStringLiteral("session.new"), {{QStringLiteral("capabilities"), QJsonObject()}}) &&
        m_socket.command(
            QStringLiteral("webExtension.install"),
            {{QStringLiteral("extensionData"), QJsonObject{{QStringLiteral("type"), QStringLiteral("path")},
                                                           {QStringLiteral("path"), extensionDirectory()}}}});
    const std::optional<QString> tab = started ? topContext(QStringLiteral("content")) : std::nullopt;
    if (!tab) {
        return fail(m_socket.lastError());
    }
    m_tab = *tab;
    return true;
}

void KLFirefoxSession::closeBrowser() {
    m_socket.command(QStringLiteral("browser.close"), {}, {}, 5s);
}

std::optional<QString> KLFirefoxSession::topContext(const QString &scope) {
    QJsonObject parameters{{QStringLiteral("maxDepth"), 0}};
    if (scope != QStringLiteral("content")) {
        parameters.insert(QStringLiteral("moz:scope"), scope);
    }
    const auto tree = m_socket.command(QStringLiteral("browsingContext.getTree"), parameters);
    const QJsonArray contexts = tree ? tree->value(QStringLiteral("contexts")).toArray() : QJsonArray();
    if (contexts.isEmpty()) {
        return std::nullopt;
    }
    return contexts.first()[QStringLiteral("context")].toString();
}

bool KLFirefoxSession::openPage(const QUrl &url, bool waitForLoad) {
    return m_socket
               .command(QStringLiteral("browsingContext.navigate"),
                        {{QStringLiteral("context"), m_tab},
                         {QStringLiteral("url"), url.toString()},
                         {QStringLiteral("wait"),
                          waitForLoad ? QStringLiteral("complete") : QStringLiteral("none")}})
               .has_value() ||
           fail(m_socket.lastError());
}

std::optional<QJsonValue> KLFirefoxSession::evaluate(const QString &context, const QString &expression) {
    const auto evaluated =
        m_socket.command(QStringLiteral("script.evaluate"),
                         {{QStringLiteral("expression"), expression},
                          {QStringLiteral("target"), QJsonObject{{QStringLiteral("context"), context}}},
                          {QStringLiteral("awaitPromise"), false}});
    if (!evaluated || evaluated->value(QStringLiteral("type")).toString() != QStringLiteral("success")) {
        return std::nullopt;
    }
    return evaluated->value(QStringLiteral("result")).toObject().value(QStringLiteral("value"));
}

std::optional<QString> KLFirefoxSession::pageSource() {
    const auto source = evaluate(m_tab, QStringLiteral("document.documentElement.outerHTML"));
    return source && source->isString() ? std::optional<QString>(source->toString()) : std::nullopt;
}

bool KLFirefoxSession::pressToolbarButton() {
    // What the button's click handler calls, for the window's selected tab.
    const QString click = QStringLiteral(R"((() => {
        const { ExtensionParent } = ChromeUtils.importESModule("resource://gre/modules/ExtensionParent.sys.mjs");
        const extension = WebExtensionPolicy.getByID("%1").extension;
        ExtensionParent.apiManager.global.browserActionFor(extension).triggerAction(window);
        return true;
    })())")
                              .arg(QStringLiteral(KINOLARK_EXTENSION_ID_FIREFOX));
    const std::optional<QString> window = topContext(QStringLiteral("chrome"));
    const auto clicked = window ? evaluate(*window, click) : std::nullopt;
    return (clicked && clicked->toBool()) ||
           fail(QStringLiteral("the toolbar button was not pressed: %1").arg(m_socket.lastError()));
}

std::optional<QUrl> KLFirefoxSession::extensionPage(const QString &file) {
    // The extension's pages live under an address made for the profile at installation.
    const std::optional<QString> window = topContext(QStringLiteral("chrome"));
    const auto address =
        window ? evaluate(*window, QStringLiteral("WebExtensionPolicy.getByID(\"%1\").getURL(\"%2\")")
                                       .arg(QStringLiteral(KINOLARK_EXTENSION_ID_FIREFOX), file))
               : std::nullopt;
    if (!address || !address->isString()) {
        fail(QStringLiteral("the extension's address is not known: %1").arg(m_socket.lastError()));
        return std::nullopt;
    }
    return QUrl(address->toString());
}

std::optional<QJsonValue> KLFirefoxSession::evaluateInPage(const QString &expression) {
    return evaluate(m_tab, expression);
}
