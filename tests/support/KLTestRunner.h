#pragma once

#include <QCoreApplication>

#include <functional>
#include <memory>

// What every test program's main does: a private home and XDG folders for the process (removed when it
// ends), the application object the tests need (a core one, or one with widgets), then every test; at the
// end it waits for the background jobs the tests started.
class KLTestRunner final {
public:
    // `argc` stays alive as long as the application: Qt keeps a reference to it.
    using ApplicationMaker = std::function<std::unique_ptr<QCoreApplication>(int &argc, char **argv)>;

    static int run(int argc, char **argv, const ApplicationMaker &makeApplication);
};
