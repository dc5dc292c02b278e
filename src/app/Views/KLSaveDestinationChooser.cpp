#include "Views/KLSaveDestinationChooser.h"

#include "Model/Preferences/KLPreferences.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLKinolarkUtils.h"

#include <QFileDialog>
#include <QFileInfo>

KLSaveDestinationChooser::KLSaveDestinationChooser(QWidget *window) : m_window(window) {}

void KLSaveDestinationChooser::chooseDestinationForEntry(const std::shared_ptr<KLEntry> &,
                                                         const std::shared_ptr<KLPreferences> &,
                                                         const QString &proposedName,
                                                         const QString &initialFolder, Answer answer) {
    // The entry asks from whatever thread started it; dialogs live on the main thread.
    KLDispatch::async([this, proposedName, initialFolder, answer = std::move(answer)] {
        ask(proposedName, initialFolder, answer);
    });
}

void KLSaveDestinationChooser::ask(const QString &proposedName, const QString &initialFolder, Answer answer) {
    auto *dialog = new QFileDialog(m_window, QObject::tr("Save As"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog->setDirectory(initialFolder);
    dialog->selectFile(KLKinolarkUtils::pathInFolder(initialFolder, proposedName));
    dialog->setWindowModality(Qt::WindowModal);
    QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, answer](int result) {
        const QStringList chosen = dialog->selectedFiles();
        if (result != QDialog::Accepted || chosen.isEmpty()) {
            answer(std::nullopt);
            return;
        }
        answer(withoutContainerExtension(chosen.first()));
    });
    dialog->open();
}

QString KLSaveDestinationChooser::withoutContainerExtension(const QString &path) {
    const QFileInfo chosen(path);
    const QString suffix = chosen.suffix().toLower();
    QStringList containers = KLPreferences::listVideoContainers() + KLPreferences::listAudioContainers();
    if (!suffix.isEmpty() && containers.contains(suffix)) {
        return KLKinolarkUtils::pathInFolder(chosen.path(), chosen.completeBaseName());
    }
    return path;
}
