#include "KLTestRunner.h"

int main(int argc, char **argv) {
    return KLTestRunner::run(argc, argv, [](int &count, char **arguments) {
        return std::make_unique<QCoreApplication>(count, arguments);
    });
}
