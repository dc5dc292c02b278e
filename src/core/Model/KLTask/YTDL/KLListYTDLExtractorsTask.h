#pragma once

#include "Model/KLTask/YTDL/KLYTDLListingTask.h"

// The downloader's extractors (its site modules), as "list_ytdl_extractors" prints them: one name per line.
class KLListYTDLExtractorsTask final : public KLYTDLListingTask {
public:
    KLListYTDLExtractorsTask();
};
