#include "Views/KLSaveDestinationChooser.h"

#include "Model/Preferences/KLPreferences.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLKinolarkUtils.h"
#include "Views/Preferences/Controllers/KLPreferencesViewController.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QSplitter>

#include <algorithm>

namespace {

// Rows of the file list that stay visible however tall the run's settings under it are.
constexpr int fileListRows = 10;

} // namespace

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
    // A dialog told of a folder that is not there opens in the program's working folder and proposes a
    // name relative to it, which the download then cannot be placed at.
    const QString folder = openableFolder(initialFolder);
    dialog->setDirectory(folder);
    dialog->selectFile(KLKinolarkUtils::pathInFolder(folder, proposedName));
    dialog->setWindowModality(Qt::WindowModal);
    // The run's own settings under the file list: what the user changes there applies to this run alone.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    if (auto *grid = qobject_cast<QGridLayout *>(dialog->layout());
        grid != nullptr && preferences != nullptr) {
        auto *settings = new KLPreferencesViewController(preferences, true, dialog);
        keepHeightOfTallestPane(settings);
        grid->addWidget(settings, grid->rowCount(), 0, 1, grid->columnCount());
    }
    if (auto *files = dialog->findChild<QSplitter *>(QStringLiteral("splitter"))) {
        files->setMinimumHeight(dialog->fontMetrics().height() * fileListRows);
    }
    QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, answer](int result) {
        // The keyboard goes back to the window the question came from, also where no window manager
        // would hand it back.
        if (QWidget *asking = dialog->parentWidget()) {
            asking->activateWindow();
        }
        const QStringList chosen = dialog->selectedFiles();
        if (result != QDialog::Accepted || chosen.isEmpty()) {
            answer(std::nullopt);
            return;
        }
        answer(withoutContainerExtension(chosen.first()));
    });
    dialog->open();
}

QString KLSaveDestinationChooser::openableFolder(const QString &folder) {
    // A relative folder is taken in the home folder: the program's working folder means nothing to a user.
    const QString absolute = QDir::cleanPath(QDir::home().absoluteFilePath(folder));
    if (!folder.isEmpty() && QDir().mkpath(absolute)) {
        return absolute;
    }
    return QDir::homePath();
}

void KLSaveDestinationChooser::keepHeightOfTallestPane(KLPreferencesViewController *settings) {
    // The panes differ in height; measured once, the tallest sets the height of them all, so that
    // choosing another pane leaves the dialog and its file list where they are.
    int tallest = 0;
    for (const auto pane :
         {KLPreferencesViewController::Pane::Conversion, KLPreferencesViewController::Pane::Video,
          KLPreferencesViewController::Pane::Audio, KLPreferencesViewController::Pane::VideoCodec,
          KLPreferencesViewController::Pane::AudioCodec}) {
        settings->showPane(pane);
        tallest = std::max(tallest, settings->sizeHint().height());
    }
    settings->rebuildPanes();
    settings->setFixedHeight(tallest);
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
