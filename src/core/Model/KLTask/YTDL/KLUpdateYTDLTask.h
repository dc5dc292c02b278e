#pragma once

#include "Model/KLTask/Basic/KLScriptTask.h"

#include <QString>

// Refreshes the working copy of the downloader through "update_downloaders". Its QString result is the
// script's report, unchanged; the task itself never fails, since a failed refresh leaves the working copy
// as it was.
class KLUpdateYTDLTask final : public KLScriptTask {
public:
    KLUpdateYTDLTask();

    // Built from the stored preferences at the moment of the call.
    QString getCommand() const;

protected:
    void doTaskMain() override;
    void prepareTaskDescription() override;
};
