#pragma once

#include <mutex>

// A record whose fields are read and written under one lock: entries and media descriptions are shared by
// task threads, the intake and the views.
class KLLockedRecord {
protected:
    KLLockedRecord() = default;
    ~KLLockedRecord() = default;

    template <class T> T get(const T &field) const {
        std::lock_guard lock(m_lock);
        return field;
    }
    template <class T> void set(T &field, const T &value) {
        std::lock_guard lock(m_lock);
        field = value;
    }

    mutable std::mutex m_lock;
};
