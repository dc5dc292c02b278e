#pragma once

#include "Model/KLEntry/KLEntry.h"

// A local media file: converted into the run's settings, or copied unchanged in download-only mode. The
// source is never moved, changed or deleted.
class KLFileEntry final : public KLEntry {
public:
    using KLEntry::KLEntry;

    void prepareWithCompletion(std::function<void()> completion) override;
    void cancel() override;

protected:
    void doProcessing() override;

private:
    // The file's icon, as the services draw it.
    QImage iconFor(const QString &path) const;
};
