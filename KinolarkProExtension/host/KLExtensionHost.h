#pragma once

#include "KLBrowserIdentity.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QObject>

class KLCaptureAdaptor;
class KLNativeMessageChannel;

// What the host does with each message from the browser:
//   {"url": ..., "code": ...}          the toolbar button's page: handed to the application, answered
//                                      {"ok": true} or {"ok": false, "error": ...};
//   {"listen": true}                   the extension keeps this connection open: the host takes the
//                                      browser's name on the session bus and asks the extension for the
//                                      active tab whenever the application grabs it;
//   {"reply": id, "url"?, "code"?}     the extension's answer to such a request.
// Every failure is logged as "KLPRESULTERROR: ..." and nothing is tried again. The host ends with its input,
// or, once it has answered, when the bus holds a page's hand-over past its deadline.
class KLExtensionHost final : public QObject {
    Q_OBJECT

public:
    KLExtensionHost(KLNativeMessageChannel &channel, KLBrowserIdentity::Browser browser,
                    QObject *parent = nullptr);

private:
    void onMessage(const QJsonObject &message);
    void onInputEnded(const QString &error);
    void handOver(const QJsonObject &message);
    // What KLPageHandOver::open says, or the answer is given for it when the bus holds the call too long.
    QString openInTime(const QString &url, const QJsonArray &cookies);
    void listen();
    void answer(const QString &error = QString());

    KLNativeMessageChannel &m_channel;
    KLBrowserIdentity::Browser m_browser;
    QObject m_busObject;
    KLCaptureAdaptor *m_capture = nullptr;
    QString m_busName;
};
