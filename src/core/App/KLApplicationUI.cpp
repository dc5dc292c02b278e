#include "App/KLApplicationUI.h"

#include "Model/KLTask/KLError.h"

#include <QRegularExpression>

QString KLApplicationUI::addressForDisplay(const QUrl &url) {
    if (url.isLocalFile()) {
        return url.toLocalFile();
    }
    static const QRegularExpression itemMarker(QStringLiteral("[#&]kinolark-item=[0-9]+$"));
    return url.toString(QUrl::FullyEncoded).remove(itemMarker);
}

QString KLApplicationUI::nothingFoundReason(const QUrl &url, const std::shared_ptr<KLError> &error) {
    return error != nullptr ? error->errorDescription() : addressForDisplay(url);
}

void KLApplicationUI::setStatusText(const QString &) {}
void KLApplicationUI::setStatusTextVisible(bool) {}
void KLApplicationUI::setSpinning(bool) {}
void KLApplicationUI::setCancelButtonVisible(bool) {}
void KLApplicationUI::setDragEnabled(bool) {}
void KLApplicationUI::setLaunchMenusEnabled(bool) {}
void KLApplicationUI::setPasswordManagerAvailable(bool) {}
void KLApplicationUI::setAddButtonVisible(bool) {}
void KLApplicationUI::setBatchActions(bool, bool, bool) {}
void KLApplicationUI::setPauseActions(bool, bool) {}
void KLApplicationUI::closeBatchPopover() {}
void KLApplicationUI::closeAddPopover() {}
void KLApplicationUI::showAlert(const QString &, const QString &) {}
void KLApplicationUI::entryAdded(const std::shared_ptr<KLEntry> &) {}
void KLApplicationUI::entryRemoved(const std::shared_ptr<KLEntry> &) {}
void KLApplicationUI::numberOfEntriesChanged(int) {}
void KLApplicationUI::entryChanged(const std::shared_ptr<KLEntry> &) {}
void KLApplicationUI::entryFinished(const std::shared_ptr<KLEntry> &) {}
void KLApplicationUI::addressYieldedNothing(const QUrl &, const std::shared_ptr<KLError> &) {}
void KLApplicationUI::presentNotification(const QString &, const QString &, const QString &) {}
void KLApplicationUI::playSound(const QString &) {}
void KLApplicationUI::terminate() {}
