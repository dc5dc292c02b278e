#include "KLVirtualDisplay.h"

#include "KLTestEnvironment.h"

KLVirtualDisplay::~KLVirtualDisplay() {
    KLTestEnvironment::stopServer(m_server);
}

bool KLVirtualDisplay::start(const QString &size) {
    // -displayfd writes the display number it chose once the server accepts connections.
    const QString number = KLTestEnvironment::startServer(
        m_server, QStringLiteral("Xvfb"),
        {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
         size + QStringLiteral("x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (number.isEmpty()) {
        return false;
    }
    m_display = QLatin1Char(':') + number;
    return true;
}
