#pragma once

#include <QString>

#include <memory>

// A folder of working files that goes away with its last owner: files that outlive the task that made them
// (a listing's information files, a partial download kept for the real download) are shared through it, and
// whoever lets go last removes them, whether the work was used, cancelled or dropped.
class KLScratchFolder final {
public:
    // A new empty folder in the process's scratch directory.
    static std::shared_ptr<KLScratchFolder> create();

    explicit KLScratchFolder(QString path);
    ~KLScratchFolder();
    KLScratchFolder(const KLScratchFolder &) = delete;
    KLScratchFolder &operator=(const KLScratchFolder &) = delete;

    QString path() const { return m_path; }
    QString filePath(const QString &name) const;
    // Hands the folder over to somebody who removes it on their own: it is no longer removed here.
    void release();

private:
    const QString m_path;
    bool m_released = false;
};
