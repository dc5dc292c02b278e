#pragma once

#include "App/KLBrowserGrabber.h"

#include <QStringList>

// Whether a browser runs with KinolarkPro's extension: while it does, the extension's host holds the
// browser's name on the session bus. "Chrome" is Google Chrome or Chromium, whichever is there.
class KLBrowserPresence final {
public:
    static inline const QString objectPath = QStringLiteral("/org/kinolark/KinolarkPro/Browser");
    static inline const QString interfaceName = QStringLiteral("org.kinolark.KinolarkPro.Browser");

    static bool isRunning(KLBrowserGrabber::Browser browser);
    // The bus names of the browser's hosts, in the order they are asked.
    static QStringList serviceNames(KLBrowserGrabber::Browser browser);
};
