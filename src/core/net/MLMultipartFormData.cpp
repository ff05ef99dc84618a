#include "core/net/MLMultipartFormData.h"

#include <QRandomGenerator>

namespace {

QByteArray newBoundary() {
    QByteArray random(18, Qt::Uninitialized);
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(random.data()), random.size() / 4);
    return "boundary_.oOo._" +
           random.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

} // namespace

MLMultipartFormData::MLMultipartFormData()
    : m_boundary(newBoundary()) {}

// Names in a Content-Disposition header are quoted strings: quotes and line breaks are escaped the way
// browsers do it, so that a name cannot end the header or forge another part.
QByteArray MLMultipartFormData::quoted(const QString &name) {
    QByteArray bytes = name.toUtf8();
    bytes.replace('"', "%22").replace('\r', "%0D").replace('\n', "%0A");
    return '"' + bytes + '"';
}

void MLMultipartFormData::addField(const QString &name, const QString &value) {
    m_parts.append(Part{"Content-Disposition: form-data; name=" + quoted(name) + "\r\n", value.toUtf8()});
}

void MLMultipartFormData::addFile(const QString &name, const QString &fileName, const QByteArray &mediaType,
                                  const QByteArray &data) {
    m_parts.append(Part{"Content-Disposition: form-data; name=" + quoted(name) +
                            "; filename=" + quoted(fileName) + "\r\nContent-Type: " + mediaType + "\r\n",
                        data});
}

QByteArray MLMultipartFormData::contentType() const {
    return "multipart/form-data; boundary=" + m_boundary;
}

QByteArray MLMultipartFormData::body() {
    for (;;) {
        bool clash = false;
        for (const Part &part : std::as_const(m_parts))
            clash = clash || part.data.contains(m_boundary);
        if (!clash)
            break;
        m_boundary = newBoundary();
    }
    QByteArray body;
    for (const Part &part : std::as_const(m_parts))
        body += "--" + m_boundary + "\r\n" + part.headers + "\r\n" + part.data + "\r\n";
    body += "--" + m_boundary + "--\r\n";
    return body;
}
