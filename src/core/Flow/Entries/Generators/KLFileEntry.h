#pragma once

#include "Model/KLEntry/KLEntry.h"

// A local media file: converted into the run's settings, or copied unchanged in download-only mode. The
// source is never moved, changed or deleted.
class KLFileEntry final : public KLEntry {
public:
    void prepareWithCompletion(std::function<void()> completion) override;
    void cancel() override;

protected:
    void doProcessing() override;
};
