#include "KLYTDLTestSite.h"

#include "KLTestEnvironment.h"

#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLResources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

KLYTDLTestSite::KLYTDLTestSite() : m_server(std::make_unique<KLTestWebServer>(m_root.path())) {}

bool KLYTDLTestSite::start() {
    return m_root.isValid() && installLauncher() && m_server->start();
}

bool KLYTDLTestSite::addMedia(const QString &name, KLMediaFixtures::Fixture fixture) {
    return addFile(name, KLMediaFixtures::path(fixture));
}

bool KLYTDLTestSite::addFile(const QString &name, const QString &path) {
    const QString copy = m_root.filePath(name);
    QFile::remove(copy);
    return !path.isEmpty() && QDir().mkpath(QFileInfo(copy).absolutePath()) && QFile::copy(path, copy);
}

void KLYTDLTestSite::addPage(const QString &name, const QString &title, const QStringList &media) {
    QString page = QStringLiteral("<!DOCTYPE html>\n<html><head><title>%1</title></head><body>\n").arg(title);
    for (const QString &video : media) {
        page += QStringLiteral("<video controls src=\"/%1\"></video>\n").arg(video);
    }
    page += QStringLiteral("</body></html>\n");
    KLTestEnvironment::writeFile(m_root.filePath(name), page.toUtf8());
}

QByteArray KLYTDLTestSite::contentsOf(const QString &name) const {
    QFile file(m_root.filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

qint64 KLYTDLTestSite::sizeOf(const QString &name) const {
    return QFileInfo(m_root.filePath(name)).size();
}

bool KLYTDLTestSite::installLauncher() {
    const QString installed = KLKinolarkUtils::getYTDLPath();
    QFile::remove(installed);
    return QFile::copy(KLResources::pathForResource(QStringLiteral("ytdl"), QString()), installed) &&
           QFile::setPermissions(installed, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
