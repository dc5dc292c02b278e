#pragma once

#include "Model/KLEntry/KLEntryDestinationChooser.h"

#include <QFileDialog>
#include <QPointer>
#include <QWidget>

class KLPreferencesViewController;

// Asks where an entry's output goes, when downloads do not start by themselves: a save dialog over the
// main window, proposing the entry's title in the download folder, with the entry's own copy of the
// conversion settings under the file list, so the user can convert this one file otherwise.
class KLSaveDestinationChooser final : public KLEntryDestinationChooser {
public:
    explicit KLSaveDestinationChooser(QWidget *window);

    void chooseDestinationForEntry(const std::shared_ptr<KLEntry> &entry,
                                   const std::shared_ptr<KLPreferences> &preferences,
                                   const QString &proposedName, const QString &initialFolder,
                                   Answer answer) override;

    // The folder the dialog opens in: the given one made absolute and created when missing; the home
    // folder when it cannot be created.
    static QString openableFolder(const QString &folder);
    // The chosen file without an extension the program would add again ("Film.mov" -> "Film").
    static QString withoutContainerExtension(const QString &path);
    // The dialog asked last, while it is open.
    QFileDialog *lastDialog() const { return m_lastDialog; }

private:
    void ask(const std::shared_ptr<KLPreferences> &preferences, const QString &proposedName,
             const QString &initialFolder, Answer answer);

    static void keepHeightOfTallestPane(KLPreferencesViewController *settings);

    QPointer<QWidget> m_window;
    QPointer<QFileDialog> m_lastDialog;
};
