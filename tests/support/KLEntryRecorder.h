#pragma once

#include <QObject>
#include <QStringList>

class KLEntry;

// Records what an entry announces. It is the entry's child: made with `new KLEntryRecorder(entry)`, it
// lives as long as the entry, and of() finds it again.
class KLEntryRecorder final : public QObject {
    Q_OBJECT

public:
    explicit KLEntryRecorder(KLEntry *entry);

    // The recorder of the entry, or null when it has none.
    static KLEntryRecorder *of(const KLEntry &entry);

    QStringList states() const { return m_states; }
    QStringList events() const { return m_events; }
    int finishedCount() const { return m_finished; }
    int startedCount() const { return m_started; }
    double highestCompletionFactor() const { return m_highest; }

private:
    void record(const QString &event) { m_events << event; }
    void recordState(const QString &state);
    void recordProgress(double completionFactor);

    QStringList m_events;
    QStringList m_states;
    int m_started = 0;
    int m_finished = 0;
    double m_highest = 0.0;
};
