#include "Utils/KLScratchFolder.h"

#include "Utils/KLKinolarkUtils.h"

#include <QDir>

#include <utility>

std::shared_ptr<KLScratchFolder> KLScratchFolder::create() {
    return std::make_shared<KLScratchFolder>(KLKinolarkUtils::createTemporaryFolder());
}

KLScratchFolder::KLScratchFolder(QString path) : m_path(std::move(path)) {}

KLScratchFolder::~KLScratchFolder() {
    if (!m_released && !m_path.isEmpty()) {
        QDir(m_path).removeRecursively();
    }
}

QString KLScratchFolder::filePath(const QString &name) const {
    return QDir(m_path).filePath(name);
}

void KLScratchFolder::release() {
    m_released = true;
}
