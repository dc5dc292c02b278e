#include "KLTestRunner.h"

#include <QApplication>

// Window tests draw offscreen unless told otherwise.
int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    return KLTestRunner::run(argc, argv,
                             [](int &count, char **arguments) -> std::unique_ptr<QCoreApplication> {
                                 return std::make_unique<QApplication>(count, arguments);
                             });
}
