#include "core/model/MLJsonWriter.h"

#include <QLocale>
#include <QVariant>

#include <charconv>
#include <cmath>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace ml::json {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

// A cursor over a buffer that grows as needed; the text is cut to its length at the end.
class Writer {
public:
    explicit Writer(QByteArray &out)
        : m_out(out)
        , m_start(out.size()) {
        m_out.resize(m_out.size() + qMax<qsizetype>(256, m_out.capacity() - m_out.size()));
        m_pos = m_out.data() + m_start;
        m_end = m_out.data() + m_out.size();
    }
    ~Writer() { m_out.truncate(m_pos - m_out.data()); }

    // Room for `size` more bytes at the cursor.
    char *room(qsizetype size) {
        if (m_end - m_pos < size) {
            const qsizetype at = m_pos - m_out.data();
            m_out.resize(qMax(2 * m_out.size(), at + size));
            m_pos = m_out.data() + at;
            m_end = m_out.data() + m_out.size();
        }
        return m_pos;
    }
    void advance(char *to) { m_pos = to; }
    void put(char c) { *room(1) = c, ++m_pos; }
    void put(const char *text, qsizetype size) {
        std::memcpy(room(size), text, size_t(size));
        m_pos += size;
    }

    void string(QStringView text);
    // A QJsonValue, or an element read in place (QJsonValueConstRef: no copy made to look at it).
    template <typename Value> void value(const Value &value);
    void array(const QJsonArray &array);
    void object(const QJsonObject &object);

private:
    QByteArray &m_out;
    qsizetype m_start;
    char *m_pos = nullptr;
    char *m_end = nullptr;
};

char *escapeUnit(char16_t u, char *cursor) {
    *cursor++ = '\\';
    *cursor++ = 'u';
    *cursor++ = kHexDigits[(u >> 12) & 0xf];
    *cursor++ = kHexDigits[(u >> 8) & 0xf];
    *cursor++ = kHexDigits[(u >> 4) & 0xf];
    *cursor++ = kHexDigits[u & 0xf];
    return cursor;
}

void Writer::string(QStringView text) {
    // Worst case: six bytes per unit (\uXXXX), plus the quotes.
    char *cursor = room(6 * text.size() + 2);
    *cursor++ = '"';
    const char16_t *src = text.utf16();
    const char16_t *const end = src + text.size();
    while (src != end) {
#ifdef __SSE2__
        // Eight units at a time while they are printable ASCII that needs no escape.
        while (end - src >= 8 && *src < 0x80) {
            const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src));
            const __m128i special = _mm_or_si128(_mm_or_si128(_mm_subs_epu16(units, _mm_set1_epi16(0x7f)),
                                                              _mm_subs_epu16(_mm_set1_epi16(0x20), units)),
                                                 _mm_or_si128(_mm_cmpeq_epi16(units, _mm_set1_epi16('"')),
                                                              _mm_cmpeq_epi16(units, _mm_set1_epi16('\\'))));
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(special, _mm_setzero_si128())) != 0xffff)
                break;
            _mm_storel_epi64(reinterpret_cast<__m128i *>(cursor), _mm_packus_epi16(units, units));
            cursor += 8;
            src += 8;
        }
        if (src == end)
            break;
#endif
        const char16_t u = *src++;
        if (u < 0x80) {
            if (u >= 0x20 && u != u'"' && u != u'\\') {
                *cursor++ = char(u);
                continue;
            }
            switch (u) {
            case u'"':
                *cursor++ = '\\', *cursor++ = '"';
                break;
            case u'\\':
                *cursor++ = '\\', *cursor++ = '\\';
                break;
            case u'\b':
                *cursor++ = '\\', *cursor++ = 'b';
                break;
            case u'\f':
                *cursor++ = '\\', *cursor++ = 'f';
                break;
            case u'\n':
                *cursor++ = '\\', *cursor++ = 'n';
                break;
            case u'\r':
                *cursor++ = '\\', *cursor++ = 'r';
                break;
            case u'\t':
                *cursor++ = '\\', *cursor++ = 't';
                break;
            default:
                cursor = escapeUnit(u, cursor);
            }
        } else if (u < 0x800) {
            *cursor++ = char(0xc0 | (u >> 6));
            *cursor++ = char(0x80 | (u & 0x3f));
        } else if (!QChar::isSurrogate(u)) {
            *cursor++ = char(0xe0 | (u >> 12));
            *cursor++ = char(0x80 | ((u >> 6) & 0x3f));
            *cursor++ = char(0x80 | (u & 0x3f));
        } else if (QChar::isHighSurrogate(u) && src != end && QChar::isLowSurrogate(*src)) {
            const char32_t c = QChar::surrogateToUcs4(u, *src++);
            *cursor++ = char(0xf0 | (c >> 18));
            *cursor++ = char(0x80 | ((c >> 12) & 0x3f));
            *cursor++ = char(0x80 | ((c >> 6) & 0x3f));
            *cursor++ = char(0x80 | (c & 0x3f));
        } else {
            cursor = escapeUnit(u, cursor); // a lone surrogate is not UTF-8
        }
    }
    *cursor++ = '"';
    advance(cursor);
}

template <typename Value> void Writer::value(const Value &value) {
    switch (value.type()) {
    case QJsonValue::Bool:
        value.toBool() ? put("true", 4) : put("false", 5);
        break;
    case QJsonValue::Double: {
        // Integers (as parsed, or made from integers) are written whole; doubles shortest, as Qt does.
        const QVariant variant = value.toVariant();
        if (variant.typeId() == QMetaType::LongLong) {
            char *cursor = room(24);
            advance(std::to_chars(cursor, cursor + 24, variant.toLongLong()).ptr);
        } else if (const double d = variant.toDouble(); std::isfinite(d)) {
            const QByteArray text = QByteArray::number(d, 'g', QLocale::FloatingPointShortest);
            put(text.constData(), text.size());
        } else {
            put("null", 4);
        }
        break;
    }
    case QJsonValue::String:
        string(value.toString());
        break;
    case QJsonValue::Array:
        array(value.toArray());
        break;
    case QJsonValue::Object:
        object(value.toObject());
        break;
    default:
        put("null", 4);
    }
}

void Writer::array(const QJsonArray &array) {
    put('[');
    bool first = true;
    for (auto it = array.constBegin(); it != array.constEnd(); ++it) {
        if (!first)
            put(',');
        first = false;
        value(*it);
    }
    put(']');
}

void Writer::object(const QJsonObject &object) {
    put('{');
    bool first = true;
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (!first)
            put(',');
        first = false;
        string(it.key());
        put(':');
        value(it.value());
    }
    put('}');
}

} // namespace

void appendString(QStringView text, QByteArray &out) {
    Writer(out).string(text);
}

void appendCompact(const QJsonValue &value, QByteArray &out) {
    Writer(out).value(value);
}

void appendCompact(const QJsonArray &array, QByteArray &out) {
    Writer(out).array(array);
}

void appendCompact(const QJsonObject &object, QByteArray &out) {
    Writer(out).object(object);
}

QByteArray compact(const QJsonObject &object) {
    QByteArray out;
    out.reserve(2048);
    appendCompact(object, out);
    return out;
}

} // namespace ml::json
