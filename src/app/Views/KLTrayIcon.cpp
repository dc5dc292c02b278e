#include "Views/KLTrayIcon.h"

#include "Views/Utils/KLArtwork.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

KLTrayIcon::KLTrayIcon(QObject *parent) : QObject(parent) {
    auto *menu = new QMenu();
    QAction *firefox =
        menu->addAction(KLArtwork::icon(QStringLiteral("firefox_small.png")), tr("URL from Firefox"));
    QAction *chrome =
        menu->addAction(KLArtwork::icon(QStringLiteral("chrome_small.png")), tr("URL from Chrome"));
    m_cancel = menu->addAction(tr("Cancel"));
    m_cancel->setVisible(false);
    connect(firefox, &QAction::triggered, this,
            [this] { Q_EMIT grabRequested(KLBrowserGrabber::Browser::Firefox); });
    connect(chrome, &QAction::triggered, this,
            [this] { Q_EMIT grabRequested(KLBrowserGrabber::Browser::Chrome); });
    connect(m_cancel, &QAction::triggered, this, &KLTrayIcon::cancelRequested);
    connect(this, &QObject::destroyed, menu, &QObject::deleteLater);
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        return;
    }
    m_icon = new QSystemTrayIcon(KLArtwork::icon(QStringLiteral("kinolarkpro")), this);
    m_icon->setToolTip(QStringLiteral("KinolarkPro"));
    m_icon->setContextMenu(menu);
    m_icon->show();
}

void KLTrayIcon::setCancelVisible(bool visible) {
    m_cancel->setVisible(visible);
}
