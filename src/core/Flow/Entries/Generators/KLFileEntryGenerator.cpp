#include "Flow/Entries/Generators/KLFileEntryGenerator.h"

#include "Flow/Entries/Generators/KLFileEntry.h"
#include "Model/KLTask/Basic/KLVideoProperties.h"
#include "Model/KLTask/FFMPEG/KLGetLocalVideoPropertiesTask.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLLog.h"
#include "Utils/KLServices.h"

#include <QDirIterator>
#include <QFileInfo>

#include <utility>

struct KLFileEntryGenerator::FolderRun {
    QStringList files;
    EntryList entries;
    GenerationHandler done;
};

KLFileEntryGenerator::KLFileEntryGenerator(std::shared_ptr<const KLServices> services)
    : KLTaskEntryGenerator(std::move(services)) {}

KLFileEntryGenerator::~KLFileEntryGenerator() {
    m_stopWalking->store(true);
}

bool KLFileEntryGenerator::claimsURL(const QUrl &url) const {
    return url.isLocalFile();
}

void KLFileEntryGenerator::cancel() {
    m_stopWalking->store(true);
    KLTaskEntryGenerator::cancel();
}

void KLFileEntryGenerator::generateEntriesForURL(const QUrl &url, GenerationHandler done) {
    const QString path = url.toLocalFile();
    const QFileInfo info(path);
    if (m_cancelled || path.isEmpty() || !info.exists()) {
        done(Generation{});
    } else if (info.isDir()) {
        generateEntriesForFolder(path, std::move(done));
    } else {
        generateEntriesForFile(path, std::move(done));
    }
}

void KLFileEntryGenerator::generateEntriesForFolder(const QString &folder, GenerationHandler done) {
    auto run = std::make_shared<FolderRun>();
    run->done = std::move(done);
    KLDispatch::background(
        [this, life = std::weak_ptr<bool>(m_life), stop = m_stopWalking, folder, run]() mutable {
            run->files = filesInFolder(folder, *stop);
            KLDispatch::async([this, life, run] {
                if (life.lock() != nullptr) {
                    measureNextFile(run);
                }
            });
        });
}

QStringList KLFileEntryGenerator::filesInFolder(const QString &folder, const std::atomic<bool> &stop) {
    // Hidden files count; symbolic links to folders are not followed, so a link back up cannot make the
    // walk endless.
    QDirIterator walk(folder, QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                      QDirIterator::Subdirectories);
    QStringList files;
    while (walk.hasNext() && !stop.load()) {
        const QString item = walk.next();
        const QFileInfo info = walk.fileInfo();
        if (!info.exists()) {
            KLLog::log(QStringLiteral("Unexpected error in enumeration"));
        } else if (!info.isDir()) {
            files << item;
        }
    }
    return files;
}

void KLFileEntryGenerator::measureNextFile(const std::shared_ptr<FolderRun> &run) {
    if (m_cancelled) {
        run->done(Generation{});
        return;
    }
    if (run->files.isEmpty()) {
        Generation generation;
        generation.entries = std::move(run->entries);
        run->done(std::move(generation));
        return;
    }
    const QString file = run->files.takeFirst();
    // Each file is handed on as soon as it is measured: its conversion may begin while the rest of the
    // folder is measured. A file that fails to measure is skipped, as one that holds no media.
    generateEntriesForFile(file, [this, run](Generation found) {
        if (found.entries.has_value() && !deliverEarly(*found.entries)) {
            run->entries.insert(run->entries.end(), found.entries->begin(), found.entries->end());
        }
        measureNextFile(run);
    });
}

void KLFileEntryGenerator::generateEntriesForFile(const QString &file, GenerationHandler done) {
    // A FIFO, socket or device holds no video file: probing one could wait for good.
    if (!QFileInfo(file).isFile()) {
        done(Generation{});
        return;
    }
    auto task = std::make_shared<KLGetLocalVideoPropertiesTask>(file, services() == nullptr ||
                                                                          services()->thumbnailsShown);
    runTask(task, done, [file, done, services = services()](KLTask &ended) {
        Generation generation;
        if (handOnError(ended, generation)) {
            done(std::move(generation));
            return;
        }
        const auto properties = ended.resultAs<std::shared_ptr<KLVideoProperties>>();
        if (properties != nullptr && !properties->container().isEmpty() &&
            properties->container() != QStringLiteral("tty")) {
            auto entry = std::make_shared<KLFileEntry>(services);
            entry->setOriginalURL(QUrl::fromLocalFile(file));
            entry->setProperties(properties);
            generation.entries = EntryList{entry};
        }
        done(std::move(generation));
    });
}
