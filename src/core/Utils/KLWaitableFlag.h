#pragma once

#include <condition_variable>
#include <mutex>

// A flag that threads can wait for: waiting costs nothing until it is raised.
class KLWaitableFlag final {
public:
    void set(bool value);
    bool isSet() const;
    // Blocks until the flag is raised.
    void wait() const;

private:
    mutable std::mutex m_lock;
    mutable std::condition_variable m_raised;
    bool m_value = false;
};
