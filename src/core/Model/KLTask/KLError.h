#pragma once

#include <QString>

#include <cstdint>
#include <memory>

// Why a task or an entry failed: a numeric kind and a message for the user. Fixed once made, so any thread
// may read one.
class KLError final {
public:
    static constexpr int32_t downloadAnalysisType = 1;
    static constexpr int32_t downloadType = 3;
    static constexpr int32_t ytdlInformationType = 4;
    static constexpr int32_t permissionsType = 5;
    static constexpr int32_t ffmpegType = 6;
    static constexpr int32_t terminatedType = 7;
    static constexpr int32_t localPropertiesType = 8;

    KLError(int32_t errorType, QString errorDescription);

    static std::shared_ptr<KLError> create(int32_t errorType, const QString &errorDescription);
    // The same, with what caused the failure (a tool's error line, the system's reason) after the
    // description when one is known: "Download failed for URL: ... (HTTP Error 404: Not Found)".
    static std::shared_ptr<KLError> create(int32_t errorType, const QString &errorDescription,
                                           const QString &cause);

    int32_t errorType() const;
    QString errorDescription() const;

    // "7: Task terminated"
    QString description() const;

private:
    const int32_t m_errorType;
    const QString m_errorDescription;
};
