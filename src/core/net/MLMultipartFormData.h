#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A multipart/form-data body built in memory: plain text fields, then file parts.
class MLMultipartFormData final {
public:
    MLMultipartFormData();

    void addField(const QString &name, const QString &value);
    void addFile(const QString &name, const QString &fileName, const QByteArray &mediaType,
                 const QByteArray &data);

    // The value of the Content-Type header ("multipart/form-data; boundary=...").
    QByteArray contentType() const;
    // The whole body. The boundary is chosen so that it occurs in no part.
    QByteArray body();

private:
    struct Part {
        QByteArray headers;
        QByteArray data;
    };
    static QByteArray quoted(const QString &name);

    QList<Part> m_parts;
    QByteArray m_boundary;
};
