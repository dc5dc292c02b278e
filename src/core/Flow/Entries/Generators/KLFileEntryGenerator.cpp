#include "Flow/Entries/Generators/KLFileEntryGenerator.h"

#include "Flow/Entries/Generators/KLFileEntry.h"
#include "Model/KLTask/Basic/KLVideoProperties.h"
#include "Model/KLTask/FFMPEG/KLGetLocalVideoPropertiesTask.h"
#include "Utils/KLLog.h"

#include <QDirIterator>
#include <QFileInfo>

bool KLFileEntryGenerator::claimsURL(const QUrl &url) const {
    return url.isLocalFile();
}

void KLFileEntryGenerator::cancel() {
    m_cancelled = true;
}

std::optional<KLEntryGenerator::EntryList>
KLFileEntryGenerator::generateEntriesForURL(const QUrl &url, std::shared_ptr<KLError> *error) {
    if (m_cancelled.load()) {
        return std::nullopt;
    }
    const QString path = url.toLocalFile();
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        return std::nullopt;
    }
    if (info.isDir()) {
        return generateEntriesForFolder(path);
    }
    return generateEntriesForFile(path, error);
}

std::optional<KLEntryGenerator::EntryList>
KLFileEntryGenerator::generateEntriesForFolder(const QString &folder) {
    // Hidden files count; symbolic links to folders are not followed, so a link back up cannot make the
    // walk endless.
    QDirIterator walk(folder, QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                      QDirIterator::Subdirectories);
    EntryList entries;
    while (walk.hasNext()) {
        const QString item = walk.next();
        const QFileInfo info = walk.fileInfo();
        if (!info.exists()) {
            KLLog::log(QStringLiteral("Unexpected error in enumeration"));
            continue;
        }
        if (info.isDir()) {
            continue;
        }
        if (m_cancelled.load()) {
            return std::nullopt;
        }
        // Each file is handed on as soon as it is measured: its conversion may begin while the rest of
        // the folder is measured.
        if (std::optional<EntryList> found = generateEntriesForFile(item, nullptr);
            found && !deliverEarly(*found)) {
            entries.insert(entries.end(), found->begin(), found->end());
        }
    }
    return entries;
}

std::optional<KLEntryGenerator::EntryList>
KLFileEntryGenerator::generateEntriesForFile(const QString &file, std::shared_ptr<KLError> *error) {
    // A FIFO, socket or device holds no video file: probing one could wait for good.
    if (m_cancelled.load() || !QFileInfo(file).isFile()) {
        return std::nullopt;
    }
    auto task = std::make_shared<KLGetLocalVideoPropertiesTask>(file);
    task->start();
    task->wait();
    if (m_cancelled.load()) {
        return std::nullopt;
    }
    if (const std::shared_ptr<KLError> failure = task->error()) {
        if (error != nullptr) {
            *error = failure;
        }
        return std::nullopt;
    }
    const auto properties = task->resultAs<std::shared_ptr<KLVideoProperties>>();
    if (properties == nullptr || properties->container().isEmpty() ||
        properties->container() == QStringLiteral("tty")) {
        return std::nullopt;
    }
    auto entry = std::make_shared<KLFileEntry>();
    entry->setOriginalURL(QUrl::fromLocalFile(file));
    entry->setProperties(properties);
    return EntryList{entry};
}
