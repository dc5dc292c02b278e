#include "KLFolderWatch.h"

#include <QFile>

#include <sys/inotify.h>
#include <unistd.h>

KLFolderWatch::KLFolderWatch(const QStringList &folders) : m_descriptor(::inotify_init1(IN_NONBLOCK)) {
    for (const QString &folder : folders) {
        if (::inotify_add_watch(m_descriptor, QFile::encodeName(folder).constData(), IN_OPEN | IN_ACCESS) <
            0) {
            m_watching = false;
        }
    }
}

KLFolderWatch::~KLFolderWatch() {
    ::close(m_descriptor);
}

bool KLFolderWatch::touched() const {
    alignas(inotify_event) char buffer[4096];
    return ::read(m_descriptor, buffer, sizeof buffer) > 0;
}
