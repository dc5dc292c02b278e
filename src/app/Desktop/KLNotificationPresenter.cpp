#include "Desktop/KLNotificationPresenter.h"

#include "Desktop/KLSoundPlayer.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QGuiApplication>
#include <QVariantMap>

bool KLNotificationPresenter::present(const QString &title, const QString &text, const QString &soundName) {
    if (QGuiApplication::applicationState() == Qt::ApplicationActive) {
        return false;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    QDBusMessage notify = QDBusMessage::createMethodCall(
        service, QStringLiteral("/org/freedesktop/Notifications"), service, QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("org.kinolark.KinolarkPro")},
                            {QStringLiteral("suppress-sound"), true}};
    notify << QStringLiteral("KinolarkPro") << 0u << QStringLiteral("org.kinolark.KinolarkPro") << title
           << text << QStringList() << hints << -1;
    // Nobody waits for the answer: a missing or slow server must not hold the window up.
    bus.asyncCall(notify);
    KLSoundPlayer::play(soundName);
    return true;
}
