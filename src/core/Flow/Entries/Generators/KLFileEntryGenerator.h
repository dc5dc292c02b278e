#pragma once

#include "Flow/Entries/KLTaskEntryGenerator.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

// Claims local files and folders: a media file becomes one entry, a folder one entry per media file found
// at any depth. Each file is measured first; what is not media is skipped without error. A folder is walked
// on a pool thread, as a large tree takes a while; its files are then measured one after the other.
class KLFileEntryGenerator final : public KLTaskEntryGenerator {
public:
    explicit KLFileEntryGenerator(std::shared_ptr<const KLServices> services = nullptr);
    ~KLFileEntryGenerator() override;

    bool claimsURL(const QUrl &url) const override;
    void generateEntriesForURL(const QUrl &url, GenerationHandler done) override;
    // Also stops a walk under way.
    void cancel() override;

private:
    // The files of a folder still to be measured, and the entries made so far.
    struct FolderRun;

    void generateEntriesForFolder(const QString &folder, GenerationHandler done);
    void measureNextFile(const std::shared_ptr<FolderRun> &run);
    // Measures one file; what it is made of goes to `done` (a failure with its cause, nothing for a file
    // that holds no media).
    void generateEntriesForFile(const QString &file, GenerationHandler done);
    static QStringList filesInFolder(const QString &folder, const std::atomic<bool> &stop);

    // Shared with the pool job that walks a folder: raised by cancel() and by the destructor.
    const std::shared_ptr<std::atomic<bool>> m_stopWalking = std::make_shared<std::atomic<bool>>(false);
    // Reached weakly by the walk's answer: a generator that has gone takes no answer.
    const std::shared_ptr<bool> m_life = std::make_shared<bool>(true);
};
