#pragma once

#include <QDBusMessage>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

// Stands in for the desktop program on the test's session bus: it holds the program's name and object and
// answers org.freedesktop.Application.Open by keeping the URIs it was handed, or refuses them when told.
class KLFakeDesktopApplication final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    KLFakeDesktopApplication() = default;
    ~KLFakeDesktopApplication() override;

    // False when the name or the object could not be taken.
    bool start();
    QStringList openedURIs() const { return m_opened; }
    // Every Open from now on is answered with an error (its URIs are still kept).
    void refuse() { m_refusing = true; }

public Q_SLOTS:
    void Open(const QStringList &uris, const QVariantMap &platformData, const QDBusMessage &message);

private:
    QStringList m_opened;
    bool m_refusing = false;
    bool m_started = false;
};
