#include "Scripting/KLApplicationAdaptor.h"

#include "Utils/KLSessionCookies.h"

KLApplicationAdaptor::KLApplicationAdaptor(QObject *parent, Handlers handlers)
    : QDBusAbstractAdaptor(parent), m_handlers(std::move(handlers)) {}

void KLApplicationAdaptor::Activate(const QVariantMap &) {
    m_handlers.activate();
}

void KLApplicationAdaptor::Open(const QStringList &uris, const QVariantMap &platformData) {
    const QString cookies = platformData.value(KLSessionCookies::platformDataKey).toString();
    for (const QString &uri : uris) {
        m_handlers.open(uri, cookies);
    }
    m_handlers.activate();
}

void KLApplicationAdaptor::ActivateAction(const QString &actionName, const QVariantList &,
                                          const QVariantMap &) {
    m_handlers.activateAction(actionName);
}
