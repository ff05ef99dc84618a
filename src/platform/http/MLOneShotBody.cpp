#include "platform/http/MLOneShotBody.h"

#include <cstring>

MLOneShotBody::MLOneShotBody(const QByteArray &data, QObject *parent)
    : QIODevice(parent)
    , m_data(data) {
    open(QIODevice::ReadOnly);
}

qint64 MLOneShotBody::readData(char *data, qint64 maxSize) {
    const qint64 count = qMin(maxSize, m_data.size() - m_position);
    if (count <= 0)
        return m_position >= m_data.size() ? -1 : 0;
    std::memcpy(data, m_data.constData() + m_position, static_cast<size_t>(count));
    m_position += count;
    return count;
}
