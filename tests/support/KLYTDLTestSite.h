#pragma once

#include "KLMediaFixtures.h"
#include "KLTestWebServer.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A small video site on the test web server for the tests that run the real downloader: media files made
// by ffmpeg, and pages that embed them with <video> elements. It also installs the downloader launcher in
// the application data folder, where the tasks look for it.
class KLYTDLTestSite final {
public:
    KLYTDLTestSite();

    // Installs the launcher and starts the server; false when either fails.
    bool start();
    KLTestWebServer &server() { return *m_server; }
    QString url(const QString &path) const { return m_server->url(path); }

    // Serves the fixture under the name; false when it cannot be made.
    bool addMedia(const QString &name, KLMediaFixtures::Fixture fixture);
    // Serves a copy of the file under the name; false when it cannot be copied.
    bool addFile(const QString &name, const QString &path);
    // Serves an HTML page with the title that embeds the named media, in order.
    void addPage(const QString &name, const QString &title, const QStringList &media);
    QByteArray contentsOf(const QString &name) const;
    qint64 sizeOf(const QString &name) const;

    static bool installLauncher();

private:
    QTemporaryDir m_root;
    std::unique_ptr<KLTestWebServer> m_server;
};
