#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The manifests that tell each browser where the host is and which extension may start it. The build
// installs them system-wide; --user writes them into the current user's browser folders, pointing at this
// program wherever it is.
class KLHostManifests final {
public:
    enum class Family { Chromium, Firefox };

    struct Place {
        Family family;
        QString folder;
    };

    // <host name>.json
    static QString fileName();
    // The manifest for the family with the host at `hostPath`.
    static QByteArray manifest(Family family, const QString &hostPath);
    // Chromium's, Google Chrome's and Firefox's folders for the user's own hosts.
    static QList<Place> userPlaces();
    // Writes every user manifest; the paths written, or the first error.
    struct Written {
        QStringList paths;
        QString error;
    };
    static Written writeForUser(const QString &hostPath);

    // The placeholder the manifests' templates hold for the host's path.
    static inline const QByteArray pathPlaceholder = QByteArrayLiteral("@KINOLARK_NATIVE_HOST_PATH@");
};
