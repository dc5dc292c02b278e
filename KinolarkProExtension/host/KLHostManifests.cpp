#include "KLHostManifests.h"

#include "KLHostConfiguration.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// The path as the inside of a JSON string.
QByteArray jsonStringContents(const QString &text) {
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(2, array.size() - 4); // without ["  "]
}

} // namespace

QString KLHostManifests::fileName() {
    return KLHostConfiguration::hostName + QStringLiteral(".json");
}

QByteArray KLHostManifests::manifest(Family family, const QString &hostPath) {
    QFile source(family == Family::Chromium ? QStringLiteral(":/manifests/chromium.json")
                                            : QStringLiteral(":/manifests/firefox.json"));
    if (!source.open(QIODevice::ReadOnly)) {
        return {};
    }
    return source.readAll().replace(pathPlaceholder, jsonStringContents(hostPath));
}

QList<KLHostManifests::Place> KLHostManifests::userPlaces() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return {{Family::Chromium, config + QStringLiteral("/chromium/NativeMessagingHosts")},
            {Family::Chromium, config + QStringLiteral("/google-chrome/NativeMessagingHosts")},
            {Family::Firefox, QDir::homePath() + QStringLiteral("/.mozilla/native-messaging-hosts")}};
}

KLHostManifests::Written KLHostManifests::writeForUser(const QString &hostPath) {
    Written written;
    for (const Place &place : userPlaces()) {
        const QString path = place.folder + QLatin1Char('/') + fileName();
        QSaveFile file(path);
        if (!QDir().mkpath(place.folder) || !file.open(QIODevice::WriteOnly) ||
            file.write(manifest(place.family, hostPath)) < 0 || !file.commit()) {
            written.error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
            return written;
        }
        written.paths << path;
    }
    return written;
}
