#pragma once

#include <QString>

// Desktop notifications through the notification server of the session (org.freedesktop.Notifications).
// A notification is shown only while the user works in another application: in front of the window it
// would only repeat what the row shows. Its sound plays here, so that it sounds the same on every desktop.
class KLNotificationPresenter final {
public:
    static inline const QString service = QStringLiteral("org.freedesktop.Notifications");

    // Sends the notification without waiting for the server; false when it was not sent (the window is
    // active, or there is no session bus).
    static bool present(const QString &title, const QString &text, const QString &soundName);
};
