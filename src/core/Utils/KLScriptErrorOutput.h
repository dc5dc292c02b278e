#pragma once

#include <QString>
#include <QStringList>

// What a script and the tools it runs wrote about themselves on their error output: the last lines are
// kept, so that a failure can say why it happened ("HTTP Error 404: Not Found", "No space left on device")
// instead of only that it did. Filled on the main thread as the script writes; read by its task at the end.
class KLScriptErrorOutput final {
public:
    static constexpr qsizetype keptLines = 40;
    // A cause longer than this is cut; it ends up in one line of a status or an error message.
    static constexpr qsizetype longestCause = 300;

    void addLine(const QString &line);
    // The stream has ended: nothing more will come.
    void finish();
    bool finished() const;
    QStringList lines() const;

    // The cause in the lines so far (a failing tool writes its last words just before it exits: a task
    // asks once its script has ended). Empty when the lines tell nothing.
    QString cause() const;

    // The line of a tool's output that best tells why it failed: the downloader's last "ERROR:" line, else
    // the last line that reports an error, else the last line that is not a generic closing remark; made
    // printable and short.
    static QString causeIn(const QStringList &lines);

private:
    QStringList m_lines;
    bool m_finished = false;
};
