#pragma once

#include "App/KLBrowserGrabber.h"

#include <QString>

// Takes the page a browser shows from the host of KinolarkPro's extension in that browser, over the
// session bus. It blocks its thread for a few seconds at most, so it runs on a background thread only; a
// browser without the extension's host on the bus answers nothing at once.
class KLBrowserHostGrabber final : public KLBrowserGrabber {
public:
    // The host gives the extension a few seconds; this leaves it time to say that it got nothing.
    static constexpr int answerTimeoutMs = 5000;

    std::optional<Page> grabPage(Browser browser) override;

private:
    static std::optional<Page> grabFrom(const QString &service);
};
