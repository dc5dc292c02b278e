#pragma once

#include "Flow/Entries/KLEntryGenerator.h"

#include <QString>

// Claims local files and folders: a media file becomes one entry, a folder one entry per media file found
// at any depth. Each file is measured first; what is not media is skipped without error.
class KLFileEntryGenerator final : public KLEntryGenerator {
public:
    bool claimsURL(const QUrl &url) const override;
    std::optional<EntryList> generateEntriesForURL(const QUrl &url, std::shared_ptr<KLError> *error) override;
    void cancel() override;

private:
    std::optional<EntryList> generateEntriesForFolder(const QString &folder);
    std::optional<EntryList> generateEntriesForFile(const QString &file, std::shared_ptr<KLError> *error);
};
