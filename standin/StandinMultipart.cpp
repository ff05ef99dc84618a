#include "StandinMultipart.h"

std::optional<QList<StandinMultipart::Part>> StandinMultipart::parse(const QByteArray &contentType,
                                                                     const QByteArray &body) {
    if (!contentType.trimmed().toLower().startsWith("multipart/form-data"))
        return std::nullopt;
    QByteArray boundary;
    for (const QByteArray &parameter : contentType.split(';')) {
        const QByteArray p = parameter.trimmed();
        if (p.toLower().startsWith("boundary=")) {
            boundary = p.mid(9);
            if (boundary.size() >= 2 && boundary.startsWith('"') && boundary.endsWith('"'))
                boundary = boundary.mid(1, boundary.size() - 2);
        }
    }
    if (boundary.isEmpty())
        return std::nullopt;

    const QByteArray delimiter = "--" + boundary;
    qsizetype position = body.indexOf(delimiter);
    if (position < 0)
        return std::nullopt;
    QList<Part> parts;
    while (true) {
        position += delimiter.size();
        if (body.mid(position, 2) == "--")
            return parts; // closing delimiter
        if (body.mid(position, 2) != "\r\n")
            return std::nullopt;
        position += 2;
        const qsizetype headerEnd = body.indexOf("\r\n\r\n", position);
        if (headerEnd < 0)
            return std::nullopt;
        // The next delimiter: CRLF, "--", the boundary, then "--" or CRLF.
        const QByteArray marker = "\r\n" + delimiter;
        qsizetype next = body.indexOf(marker, headerEnd + 4);
        while (next >= 0) {
            const QByteArray after = body.mid(next + marker.size(), 2);
            if (after == "--" || after == "\r\n")
                break;
            next = body.indexOf(marker, next + 1);
        }
        if (next < 0)
            return std::nullopt;

        Part part;
        for (const QByteArray &line : body.mid(position, headerEnd - position).split('\n')) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                part.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
        }
        const QByteArray disposition = part.headers.value("content-disposition");
        bool found = false;
        part.name = dispositionParameter(disposition, "name", &found);
        part.fileName = dispositionParameter(disposition, "filename", &part.hasFileName);
        part.body = body.mid(headerEnd + 4, next - (headerEnd + 4));
        parts.append(part);
        position = next + 2;
    }
}

QString StandinMultipart::dispositionParameter(const QByteArray &disposition, const QByteArray &name,
                                               bool *found) {
    *found = false;
    // Parameters are `; name="value"`; quoted values may hold ';' and escaped quotes (%22).
    qsizetype i = 0;
    while (i < disposition.size()) {
        const qsizetype semicolon = disposition.indexOf(';', i);
        if (semicolon < 0)
            break;
        qsizetype start = semicolon + 1;
        while (start < disposition.size() && disposition.at(start) == ' ')
            ++start;
        const qsizetype equals = disposition.indexOf('=', start);
        if (equals < 0)
            break;
        const QByteArray key = disposition.mid(start, equals - start).trimmed().toLower();
        QByteArray value;
        qsizetype end;
        if (equals + 1 < disposition.size() && disposition.at(equals + 1) == '"') {
            end = disposition.indexOf('"', equals + 2);
            if (end < 0)
                end = disposition.size();
            value = disposition.mid(equals + 2, end - equals - 2);
            ++end;
        } else {
            end = disposition.indexOf(';', equals + 1);
            if (end < 0)
                end = disposition.size();
            value = disposition.mid(equals + 1, end - equals - 1).trimmed();
        }
        if (key == name) {
            *found = true;
            value.replace("%22", "\"").replace("%0D", "\r").replace("%0A", "\n");
            return QString::fromUtf8(value);
        }
        i = end;
    }
    return {};
}
