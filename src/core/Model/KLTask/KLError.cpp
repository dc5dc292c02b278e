#include "Model/KLTask/KLError.h"

KLError::KLError(int32_t errorType, QString errorDescription)
    : m_errorType(errorType), m_errorDescription(std::move(errorDescription)) {}

std::shared_ptr<KLError> KLError::create(int32_t errorType, const QString &errorDescription) {
    return std::make_shared<KLError>(errorType, errorDescription);
}

std::shared_ptr<KLError> KLError::create(int32_t errorType, const QString &errorDescription,
                                         const QString &cause) {
    const QString trimmed = cause.trimmed();
    return create(errorType, trimmed.isEmpty()
                                 ? errorDescription
                                 : errorDescription + QStringLiteral(" (") + trimmed + QLatin1Char(')'));
}

int32_t KLError::errorType() const {
    return m_errorType;
}

QString KLError::errorDescription() const {
    return m_errorDescription;
}

QString KLError::description() const {
    return QString::number(m_errorType) + QStringLiteral(": ") + m_errorDescription;
}
