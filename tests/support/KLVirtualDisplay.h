#pragma once

#include <QProcess>
#include <QString>

// An X server of the test's own without a screen (Xvfb), for tests that run the desktop program as a user
// would. It picks a free display number itself and ends with the object.
class KLVirtualDisplay final {
public:
    KLVirtualDisplay() = default;
    ~KLVirtualDisplay();
    KLVirtualDisplay(const KLVirtualDisplay &) = delete;
    KLVirtualDisplay &operator=(const KLVirtualDisplay &) = delete;

    // False when no X server could be started. The screen is `size` pixels (the default is a common laptop's
    // with room to spare).
    bool start(const QString &size = QStringLiteral("1280x1024"));
    // ":N", for DISPLAY.
    QString display() const { return m_display; }

private:
    QProcess m_server;
    QString m_display;
};
