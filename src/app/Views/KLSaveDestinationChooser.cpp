#include "Views/KLSaveDestinationChooser.h"

#include "Model/Preferences/KLPreferences.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLKinolarkUtils.h"
#include "Views/Preferences/Controllers/KLPreferencesViewController.h"

#include <QFileInfo>
#include <QGridLayout>

KLSaveDestinationChooser::KLSaveDestinationChooser(QWidget *window) : m_window(window) {}

void KLSaveDestinationChooser::chooseDestinationForEntry(const std::shared_ptr<KLEntry> &,
                                                         const std::shared_ptr<KLPreferences> &preferences,
                                                         const QString &proposedName,
                                                         const QString &initialFolder, Answer answer) {
    // The entry asks from whatever thread started it; dialogs live on the main thread.
    KLDispatch::async([this, preferences, proposedName, initialFolder, answer = std::move(answer)] {
        ask(preferences, proposedName, initialFolder, answer);
    });
}

void KLSaveDestinationChooser::ask(const std::shared_ptr<KLPreferences> &preferences,
                                   const QString &proposedName, const QString &initialFolder, Answer answer) {
    auto *dialog = new QFileDialog(m_window, QObject::tr("Save As"));
    m_lastDialog = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setDirectory(initialFolder);
    dialog->selectFile(KLKinolarkUtils::pathInFolder(initialFolder, proposedName));
    dialog->setWindowModality(Qt::WindowModal);
    // The run's own settings under the file list: what the user changes there applies to this run alone.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    if (auto *grid = qobject_cast<QGridLayout *>(dialog->layout());
        grid != nullptr && preferences != nullptr) {
        grid->addWidget(new KLPreferencesViewController(preferences, true, dialog), grid->rowCount(), 0, 1,
                        grid->columnCount());
    }
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
    const QStringList containers =
        KLPreferences::listVideoContainers() + KLPreferences::listAudioContainers();
    if (!suffix.isEmpty() && containers.contains(suffix)) {
        return KLKinolarkUtils::pathInFolder(chosen.path(), chosen.completeBaseName());
    }
    return path;
}
