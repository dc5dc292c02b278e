#pragma once

#include "App/KLBrowserGrabber.h"

#include <QStringList>

// Whether a browser runs for this user now, by the names its processes go by.
class KLBrowserPresence final {
public:
    static bool isRunning(KLBrowserGrabber::Browser browser);
    static QStringList processNames(KLBrowserGrabber::Browser browser);
};
