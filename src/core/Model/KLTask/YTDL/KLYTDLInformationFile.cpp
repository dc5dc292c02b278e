#include "Model/KLTask/YTDL/KLYTDLInformationFile.h"

#include "Utils/KLScratchFolder.h"

#include <utility>

KLYTDLInformationFile::KLYTDLInformationFile(QString path, std::shared_ptr<KLScratchFolder> folder)
    : m_path(std::move(path)), m_folder(std::move(folder)) {}
