#pragma once

#include <QDBusAbstractAdaptor>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <functional>

// The desktop's standard way to talk to an application (org.freedesktop.Application): launchers activate
// it, D-Bus activation and a second launch hand it URLs to open (kinlkurl and kinlkurls ones included),
// and the desktop entry's actions reach it by name.
class KLApplicationAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    struct Handlers {
        std::function<void()> activate;
        // The session cookies a browser handed over with the page, as JSON; empty for none.
        std::function<void(const QString &url, const QString &cookies)> open;
        // True when the action name is known.
        std::function<bool(const QString &name)> activateAction;
    };

    KLApplicationAdaptor(QObject *parent, Handlers handlers);

public Q_SLOTS:
    void Activate(const QVariantMap &platformData);
    void Open(const QStringList &uris, const QVariantMap &platformData);
    void ActivateAction(const QString &actionName, const QVariantList &parameter,
                        const QVariantMap &platformData);

private:
    Handlers m_handlers;
};
