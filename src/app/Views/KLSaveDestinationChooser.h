#pragma once

#include "Model/KLEntry/KLEntryDestinationChooser.h"

#include <QPointer>
#include <QWidget>

// Asks where an entry's output goes, when downloads do not start by themselves: a save dialog over the
// main window, proposing the entry's title in the download folder.
class KLSaveDestinationChooser final : public KLEntryDestinationChooser {
public:
    explicit KLSaveDestinationChooser(QWidget *window);

    void chooseDestinationForEntry(const std::shared_ptr<KLEntry> &entry,
                                   const std::shared_ptr<KLPreferences> &preferences,
                                   const QString &proposedName, const QString &initialFolder,
                                   Answer answer) override;

    // The chosen file without an extension the program would add again ("Film.mov" -> "Film").
    static QString withoutContainerExtension(const QString &path);

private:
    void ask(const QString &proposedName, const QString &initialFolder, Answer answer);

    QPointer<QWidget> m_window;
};
