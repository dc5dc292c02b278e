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
    std::lock_guard lock(m_lock);
    return m_errorType;
}

void KLError::setErrorType(int32_t errorType) {
    std::lock_guard lock(m_lock);
    m_errorType = errorType;
}

QString KLError::errorDescription() const {
    std::lock_guard lock(m_lock);
    return m_errorDescription;
}

void KLError::setErrorDescription(const QString &errorDescription) {
    std::lock_guard lock(m_lock);
    m_errorDescription = errorDescription;
}

QString KLError::description() const {
    std::lock_guard lock(m_lock);
    return QString::number(m_errorType) + QStringLiteral(": ") + m_errorDescription;
}
