#pragma once

#include <QtGlobal>

#include <optional>

// How fast a file being downloaded grows, from the first bytes seen to the latest or, when faster, between
// the last two sizes seen (a download speeds up after its start, and more so while others start beside it):
// enough to tell whether the rest will be there before some piece of work on the unfinished file would end.
class KLDownloadGrowth final {
public:
    // The file's size at a time in milliseconds (of any clock that does not go back).
    void sample(qint64 bytes, qint64 millisecond);
    // The milliseconds until the file holds `totalBytes` at the rate seen so far; nothing while no growth
    // has been seen over a measurable time.
    std::optional<qint64> millisecondsUntil(qint64 totalBytes) const;

private:
    qint64 m_firstBytes = -1;
    qint64 m_firstTime = 0;
    qint64 m_previousBytes = -1;
    qint64 m_previousTime = 0;
    qint64 m_lastBytes = -1;
    qint64 m_lastTime = 0;
};
