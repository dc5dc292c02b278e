// The listing's JSON lines (one object per video of a page), with a folder of information files.

#include "KLFuzzEnvironment.h"
#include "KLFuzzInput.h"
#include "Model/KLTask/YTDL/KLYTDLGetLinksFromURLTask.h"
#include "Model/KLTask/YTDL/KLYTDLLinkDescription.h"
#include "Utils/KLScratchFolder.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Stands in the seeds for the listing's folder, whose path changes from run to run.
const QString folderPlaceholder = QStringLiteral("@LISTING@");

// The listing's folder, holding the information files "1.info.json" and "2.info.json" (the names the
// listing script gives), kept for the whole run.
std::shared_ptr<KLScratchFolder> informationFolder() {
    static const std::shared_ptr<KLScratchFolder> folder = [] {
        const QString path = KLFuzzEnvironment::home() + QStringLiteral("/listing");
        QDir().mkpath(path);
        for (const QString &name : {QStringLiteral("1.info.json"), QStringLiteral("2.info.json")}) {
            QFile file(path + QLatin1Char('/') + name);
            KLFuzzEnvironment::require(file.open(QIODevice::WriteOnly), "the information file can be made");
        }
        auto made = std::make_shared<KLScratchFolder>(path);
        made->release();
        return made;
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const auto folder = informationFolder();
    const QString output = KLFuzzInput(data, size).text().replace(folderPlaceholder, folder->path());
    for (const auto &link : KLYTDLGetLinksFromURLTask::linksFromOutput(output, folder)) {
        KLFuzzEnvironment::require(link->link().isValid() && !link->link().scheme().isEmpty(),
                                   "a link is a valid URL with a scheme");
        const QString information = link->informationFile().path();
        // The downloader is handed this file: one from elsewhere would make it read what it should not.
        KLFuzzEnvironment::require(information.isEmpty() ||
                                       QFileInfo(information).absolutePath() == folder->path(),
                                   "an information file lies in the listing's folder");
    }
    return 0;
}
