#include "KLChromiumSession.h"

#include "KLTestEnvironment.h"

#include <QFileInfo>
#include <QJsonArray>

using namespace std::chrono_literals;

namespace {

QString program() {
    // The launcher script adds flags of its own, one of which loads no extension but Debian's.
    const QString browser = QStringLiteral("/usr/lib/chromium/chromium");
    return QFileInfo::exists(browser) ? browser : QStringLiteral("chromium");
}

} // namespace

bool KLChromiumSession::startBrowser() {
    const QString endpoint = launch(
        program(),
        {QStringLiteral("--headless=new"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
         QStringLiteral("--disable-background-networking"), QStringLiteral("--disable-component-update"),
         QStringLiteral("--disable-sync"), QStringLiteral("--no-first-run"),
         QStringLiteral("--no-default-browser-check"),
         // Cookies encrypted with the fixed key of the basic store, as on a desktop without a keyring.
         QStringLiteral("--password-store=basic"),
         // Anything but 127.0.0.1 goes to a closed port and resolves to nothing.
         QStringLiteral("--proxy-server=http://127.0.0.1:9"),
         QStringLiteral("--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1"),
         // The user's own hosts are read from the profile's folder, where the host wrote its manifest.
         QStringLiteral("--user-data-dir=") + root() + QStringLiteral("/.config/chromium"),
         QStringLiteral("--remote-debugging-port=0"), QStringLiteral("--enable-unsafe-extension-debugging"),
         QStringLiteral("--load-extension=") + extensionDirectory(), QStringLiteral("about:blank")},
        QRegularExpression(QStringLiteral("DevTools listening on (ws://\\S+)")));
    return !endpoint.isEmpty() && (m_socket.open(QUrl(endpoint)) || fail(m_socket.lastError()));
}

void KLChromiumSession::closeBrowser() {
    m_socket.command(QStringLiteral("Browser.close"), {}, {}, 5s);
}

bool KLChromiumSession::openPage(const QUrl &url, bool waitForLoad) {
    const auto created =
        m_socket.command(QStringLiteral("Target.createTarget"), {{QStringLiteral("url"), url.toString()}});
    if (!created) {
        return fail(m_socket.lastError());
    }
    const auto attached =
        m_socket.command(QStringLiteral("Target.attachToTarget"),
                         {{QStringLiteral("targetId"), created->value(QStringLiteral("targetId"))},
                          {QStringLiteral("flatten"), true}});
    if (!attached) {
        return fail(m_socket.lastError());
    }
    m_pageSession = attached->value(QStringLiteral("sessionId")).toString();
    m_pageURL = url;
    if (!waitForLoad) {
        return true;
    }
    // A new tab shows about:blank, which is complete, before it goes to the page.
    const QJsonValue loaded(QStringLiteral("complete ") + url.toString());
    return KLTestEnvironment::waitUntil(
               [&] {
                   return evaluate(QStringLiteral("document.readyState + ' ' + location.href")) == loaded;
               },
               30s) ||
           fail(QStringLiteral("%1 did not load").arg(url.toString()));
}

std::optional<QJsonValue> KLChromiumSession::evaluate(const QString &expression) {
    const auto evaluated = m_socket.command(
        QStringLiteral("Runtime.evaluate"),
        {{QStringLiteral("expression"), expression}, {QStringLiteral("returnByValue"), true}}, m_pageSession);
    if (!evaluated || evaluated->contains(QStringLiteral("exceptionDetails"))) {
        return std::nullopt;
    }
    return evaluated->value(QStringLiteral("result")).toObject().value(QStringLiteral("value"));
}

std::optional<QString> KLChromiumSession::pageSource() {
    const auto source = evaluate(QStringLiteral("document.documentElement.outerHTML"));
    return source && source->isString() ? std::optional<QString>(source->toString()) : std::nullopt;
}

bool KLChromiumSession::pressToolbarButton() {
    // The action runs in a tab, which is a target of its own beside the page shown in it.
    const auto targets =
        m_socket.command(QStringLiteral("Target.getTargets"),
                         {{QStringLiteral("filter"),
                           QJsonArray{QJsonObject{{QStringLiteral("type"), QStringLiteral("tab")}}}}});
    if (!targets) {
        return fail(m_socket.lastError());
    }
    for (const QJsonValue &target : targets->value(QStringLiteral("targetInfos")).toArray()) {
        if (QUrl(target[QStringLiteral("url")].toString()) == m_pageURL) {
            return m_socket
                       .command(QStringLiteral("Extensions.triggerAction"),
                                {{QStringLiteral("id"), QStringLiteral(KINOLARK_EXTENSION_ID_CHROMIUM)},
                                 {QStringLiteral("targetId"), target[QStringLiteral("targetId")]}})
                       .has_value() ||
                   fail(m_socket.lastError());
        }
    }
    return fail(QStringLiteral("no tab shows %1").arg(m_pageURL.toString()));
}

std::optional<QUrl> KLChromiumSession::extensionPage(const QString &file) {
    return QUrl(
        QStringLiteral("chrome-extension://%1/%2").arg(QStringLiteral(KINOLARK_EXTENSION_ID_CHROMIUM), file));
}

std::optional<QJsonValue> KLChromiumSession::evaluateInPage(const QString &expression) {
    return evaluate(expression);
}
