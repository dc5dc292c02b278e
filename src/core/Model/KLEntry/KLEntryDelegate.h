#pragma once

#include <QImage>
#include <QString>
#include <QUrl>

#include <memory>

class KLEntry;
class KLError;
class KLVideoProperties;

// Observes one entry: every change of the entry's state is told, synchronously, on the thread that made
// it. A delegate that touches the user interface moves to the main thread itself.
class KLEntryDelegate {
public:
    virtual ~KLEntryDelegate() = default;

    virtual void entryHasStartedProcessing(KLEntry *entry) = 0;
    virtual void entryHasFinishedProcessing(KLEntry *entry) = 0;
    virtual void entryNewOriginalURL(KLEntry *entry, const QUrl &originalURL) = 0;
    virtual void entryNewTitle(KLEntry *entry, const QString &title) = 0;
    virtual void entryNewRepresentativeImage(KLEntry *entry, const QImage &image) = 0;
    virtual void entryNewError(KLEntry *entry, const std::shared_ptr<KLError> &error) = 0;
    virtual void entryNewState(KLEntry *entry, const QString &state) = 0;
    virtual void entryNewCompletionFactor(KLEntry *entry, double completionFactor) = 0;
    virtual void entryNewETA(KLEntry *entry, const QString &eta) = 0;
    virtual void entryCompleted(KLEntry *entry) = 0;
    virtual void entryNewOutputFile(KLEntry *entry, const QString &outputFile) = 0;
    virtual void entryNewProperties(KLEntry *entry, const std::shared_ptr<KLVideoProperties> &properties) = 0;
    virtual void entryIsLocal(KLEntry *entry, bool local) = 0;
};
