#include "Utils/KLWaitableFlag.h"

void KLWaitableFlag::set(bool value) {
    {
        std::lock_guard lock(m_lock);
        m_value = value;
    }
    if (value) {
        m_raised.notify_all();
    }
}

bool KLWaitableFlag::isSet() const {
    std::lock_guard lock(m_lock);
    return m_value;
}

void KLWaitableFlag::wait() const {
    std::unique_lock lock(m_lock);
    m_raised.wait(lock, [this] { return m_value; });
}
