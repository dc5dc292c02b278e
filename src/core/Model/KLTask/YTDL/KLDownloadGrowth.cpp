#include "Model/KLTask/YTDL/KLDownloadGrowth.h"

#include <algorithm>

void KLDownloadGrowth::sample(qint64 bytes, qint64 millisecond) {
    // An empty file says nothing: the downloader creates it before the server has answered.
    if (bytes <= 0 || bytes == m_lastBytes) {
        return;
    }
    if (m_firstBytes < 0) {
        m_firstBytes = bytes;
        m_firstTime = millisecond;
    }
    m_previousBytes = m_lastBytes;
    m_previousTime = m_lastTime;
    m_lastBytes = bytes;
    m_lastTime = millisecond;
}

std::optional<qint64> KLDownloadGrowth::millisecondsUntil(qint64 totalBytes) const {
    const qint64 grown = m_lastBytes - m_firstBytes;
    if (m_firstBytes < 0 || grown <= 0) {
        return std::nullopt;
    }
    if (totalBytes <= m_lastBytes) {
        return 0;
    }
    // Growth within one clock tick counts as one millisecond's: the fastest rate that can be told.
    const auto rate = [](qint64 bytes, qint64 milliseconds) {
        return double(bytes) / double(std::max<qint64>(milliseconds, 1));
    };
    double bytesPerMillisecond = rate(grown, m_lastTime - m_firstTime);
    if (m_previousBytes > m_firstBytes) {
        bytesPerMillisecond =
            std::max(bytesPerMillisecond, rate(m_lastBytes - m_previousBytes, m_lastTime - m_previousTime));
    }
    return qint64(double(totalBytes - m_lastBytes) / bytesPerMillisecond);
}
