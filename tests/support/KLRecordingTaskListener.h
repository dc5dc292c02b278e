#pragma once

#include <QList>
#include <QObject>
#include <QStringList>

class KLTask;

// Records what the tasks it follows announce: every signal as a line of text in order ("started",
// "progress 0.5", "description Converting...", "completed", "terminated", ...) and the progress values on
// their own.
class KLRecordingTaskListener final : public QObject {
    Q_OBJECT

public:
    // Following a task twice records its signals once.
    void follow(KLTask *task);
    void stopFollowing(KLTask *task);

    QStringList calls() const { return m_calls; }
    int count(const QString &call) const { return static_cast<int>(m_calls.count(call)); }
    QList<double> completionFactors() const { return m_completionFactors; }
    QStringList descriptions() const { return m_descriptions; }

private:
    void add(const QString &call) { m_calls << call; }

    QStringList m_calls;
    QList<double> m_completionFactors;
    QStringList m_descriptions;
};
