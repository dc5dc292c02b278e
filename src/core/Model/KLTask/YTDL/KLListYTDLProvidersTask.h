#pragma once

#include "Model/KLTask/YTDL/KLYTDLListingTask.h"

// The TV providers the downloader can log in with, as "list_ytdl_providers" prints them: two heading
// lines, then one "id$Name" line per provider.
class KLListYTDLProvidersTask final : public KLYTDLListingTask {
public:
    KLListYTDLProvidersTask();
};
