#include "Views/Preferences/Controllers/KLDefaultPreferencesWindowController.h"

#include "Model/Preferences/KLDefaultPreferences.h"
#include "Views/Preferences/Controllers/KLPreferencesViewController.h"
#include "Views/Utils/KLFixedSizeWindow.h"

#include <QMetaObject>
#include <QVBoxLayout>

KLDefaultPreferencesWindowController::KLDefaultPreferencesWindowController(
    std::shared_ptr<KLDefaultPreferences> preferences, std::shared_ptr<KLKeptDownloads> keptDownloads,
    QWidget *parent)
    : QWidget(parent, Qt::Window),
      m_view(new KLPreferencesViewController(std::move(preferences), false, this, std::move(keptDownloads))) {
    setWindowTitle(tr("Preferences"));
    setObjectName(QStringLiteral("KLDefaultPreferencesWindow"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view);
    KLFixedSizeWindow::apply(this, layout);
    m_view->setResizeBlock([this] { fitToPane(); });
    fitToPane();
}

void KLDefaultPreferencesWindowController::fitToPane() {
    // The old pane leaves only once its own work is done; the window fits the new one after that.
    QMetaObject::invokeMethod(
        this, [this] { adjustSize(); }, Qt::QueuedConnection);
}
