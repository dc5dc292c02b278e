#include "KLEntryRecorder.h"

#include "Model/KLEntry/KLEntry.h"

#include <algorithm>

KLEntryRecorder::KLEntryRecorder(KLEntry *entry) : QObject(entry) {
    connect(entry, &KLEntry::entryHasStartedProcessing, this, [this] {
        ++m_started;
        record(QStringLiteral("started"));
    });
    connect(entry, &KLEntry::entryHasFinishedProcessing, this, [this] {
        ++m_finished;
        record(QStringLiteral("finished"));
    });
    connect(entry, &KLEntry::entryNewOriginalURL, this,
            [this](const QUrl &url) { record(QStringLiteral("url ") + url.toString()); });
    connect(entry, &KLEntry::entryNewTitle, this,
            [this](const QString &title) { record(QStringLiteral("title ") + title); });
    connect(entry, &KLEntry::entryNewRepresentativeImage, this, [this] { record(QStringLiteral("image")); });
    connect(entry, &KLEntry::entryNewError, this, [this](const std::shared_ptr<KLError> &error) {
        record(error != nullptr ? QStringLiteral("error") : QStringLiteral("error nil"));
    });
    connect(entry, &KLEntry::entryNewState, this, &KLEntryRecorder::recordState);
    connect(entry, &KLEntry::entryNewCompletionFactor, this, &KLEntryRecorder::recordProgress);
    connect(entry, &KLEntry::entryCompleted, this, [this] { record(QStringLiteral("completed")); });
    connect(entry, &KLEntry::entryNewOutputFile, this,
            [this](const QString &file) { record(QStringLiteral("output ") + file); });
    connect(entry, &KLEntry::entryNewProperties, this, [this] { record(QStringLiteral("properties")); });
    connect(entry, &KLEntry::entryIsLocal, this,
            [this](bool local) { record(local ? QStringLiteral("local") : QStringLiteral("not local")); });
}

KLEntryRecorder *KLEntryRecorder::of(const KLEntry &entry) {
    return entry.findChild<KLEntryRecorder *>(QString(), Qt::FindDirectChildrenOnly);
}

void KLEntryRecorder::recordState(const QString &state) {
    if (m_states.isEmpty() || m_states.last() != state) {
        m_states << state;
    }
    record(QStringLiteral("state ") + state);
}

void KLEntryRecorder::recordProgress(double completionFactor) {
    m_highest = std::max(m_highest, completionFactor);
    record(QStringLiteral("progress %1").arg(completionFactor));
}
