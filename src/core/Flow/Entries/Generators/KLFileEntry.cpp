#include "Flow/Entries/Generators/KLFileEntry.h"

#include "Model/KLTask/Basic/KLVideoProperties.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLServices.h"

#include <QFileInfo>

void KLFileEntry::prepareWithCompletion(std::function<void()> completion) {
    if (cancelled()) {
        setError(cancellationError());
        return;
    }
    setLocal(true);
    const QString path = originalURL().toLocalFile();
    setTitle(QFileInfo(path).completeBaseName());
    const std::shared_ptr<KLVideoProperties> source = properties();
    const QImage thumbnail = source != nullptr ? source->thumbnail() : QImage();
    setRepresentativeImage(thumbnail.isNull() ? iconFor(path) : thumbnail);
    setState(readyState);
    if (completion) {
        KLDispatch::async(std::move(completion)); // never inside the caller's own call
    }
}

QImage KLFileEntry::iconFor(const QString &path) const {
    const QSize size(250, 250);
    return services() != nullptr ? services()->iconForFile(path, size)
                                 : KLKinolarkUtils::getIconForURL(path, size);
}

void KLFileEntry::cancel() {
    KLEntry::cancel(); // raises the flag and stops the conversion tasks
}

void KLFileEntry::doProcessing() {
    createRunFolder();
    const QString source = originalURL().toLocalFile();
    if (runIsDownloadOnly()) {
        finishByPlacing(source);
    } else {
        runConversionStage(source);
    }
}
