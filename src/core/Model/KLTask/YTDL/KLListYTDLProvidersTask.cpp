#include "Model/KLTask/YTDL/KLListYTDLProvidersTask.h"

KLListYTDLProvidersTask::KLListYTDLProvidersTask()
    : KLYTDLListingTask(QStringLiteral("list_ytdl_providers"), QStringLiteral("Listing providers..."),
                        QStringLiteral("Could not list YTDL providers")) {}
