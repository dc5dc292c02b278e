#pragma once

#include <cstdint>

// The operating system's version as three numbers. Off macOS it stays 0.0.0, which is what selects the
// start-up preset.
class KLOSXVersion final {
public:
    int64_t majorVersion() const { return m_majorVersion; }
    void setMajorVersion(int64_t majorVersion) { m_majorVersion = majorVersion; }
    int64_t minorVersion() const { return m_minorVersion; }
    void setMinorVersion(int64_t minorVersion) { m_minorVersion = minorVersion; }
    int64_t patchVersion() const { return m_patchVersion; }
    void setPatchVersion(int64_t patchVersion) { m_patchVersion = patchVersion; }

private:
    int64_t m_majorVersion = 0;
    int64_t m_minorVersion = 0;
    int64_t m_patchVersion = 0;
};
