#include "Model/KLTask/YTDL/KLListYTDLExtractorsTask.h"

KLListYTDLExtractorsTask::KLListYTDLExtractorsTask()
    : KLYTDLListingTask(QStringLiteral("list_ytdl_extractors"), QStringLiteral("Listing YTDL extractors..."),
                        QStringLiteral("Could not list YTDL extractors")) {}
