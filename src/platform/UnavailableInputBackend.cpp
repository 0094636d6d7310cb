#include "platform/UnavailableInputBackend.h"

#include "core/AppLog.h"

bool UnavailableInputBackend::inject(const InputBatch&) {
    if (m_reported.testAndSetOrdered(0, 1))
        qCWarning(appLog).noquote() << "synthetic input cannot be sent:" << m_reason;
    return false;
}
