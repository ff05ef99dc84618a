#include "core/model/MLJsonModel.h"

#include <QSet>

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>

namespace ml::json {
namespace detail {

namespace {
// Doubles hold every integer up to 2^53 exactly; beyond that a double-typed JSON number is not an
// integer we can trust, but Qt keeps integers parsed from text as qint64, which toInteger() returns.
constexpr double kMaxExactDouble = 9007199254740992.0;

std::optional<qint64> integralDouble(double d) {
    if (!std::isfinite(d) || std::abs(d) > kMaxExactDouble)
        return std::nullopt;
    return static_cast<qint64>(d);
}

// The whole numbers past 2^53 that `text` writes as doubles ("1.2345678901234567e17"). Qt's parser
// holds any whole number within 64 bits as an integer: only the text tells the two apart (a text
// that writes the same value both ways, as an integer and as a double, gives two doubles).
QSet<qint64> wholeDoublesPastExact(const QByteArray &text) {
    QSet<qint64> found;
    const char *const end = text.constData() + text.size();
    bool inString = false;
    for (const char *p = text.constData(); p < end; ++p) {
        if (inString) {
            if (*p == '\\')
                ++p;
            else if (*p == '"')
                inString = false;
            continue;
        }
        if (*p == '"') {
            inString = true;
            continue;
        }
        if (*p != '-' && (*p < '0' || *p > '9'))
            continue;
        const char *token = p;
        bool isDouble = false;
        while (p < end &&
               ((*p >= '0' && *p <= '9') || std::string_view("+-.eE").find(*p) != std::string_view::npos)) {
            isDouble = isDouble || *p == '.' || *p == 'e' || *p == 'E';
            ++p;
        }
        double d = 0;
        if (isDouble && std::from_chars(token, p, d).ec == std::errc() && std::abs(d) > kMaxExactDouble &&
            std::abs(d) < 0x1p63)
            found.insert(static_cast<qint64>(d));
        --p;
    }
    return found;
}

// `value` with the integers of `doubles` held as the doubles the text wrote.
QJsonValue heldAsDoubles(const QJsonValue &value, const QSet<qint64> &doubles) {
    if (value.isObject()) {
        QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            *it = heldAsDoubles(*it, doubles);
        return object;
    }
    if (value.isArray()) {
        QJsonArray array = value.toArray();
        for (auto it = array.begin(); it != array.end(); ++it)
            *it = heldAsDoubles(*it, doubles);
        return array;
    }
    if (value.toVariant().typeId() == QMetaType::LongLong && doubles.contains(value.toInteger()))
        return QJsonValue(static_cast<double>(value.toInteger()));
    return value;
}

// The document of `text`, its doubles held as doubles; nothing for text that is not JSON.
std::optional<QJsonValue> parse(const QByteArray &text) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError)
        return std::nullopt;
    const QJsonValue value =
        document.isObject() ? QJsonValue(document.object()) : QJsonValue(document.array());
    const QSet<qint64> doubles = wholeDoublesPastExact(text);
    return doubles.isEmpty() ? value : heldAsDoubles(value, doubles);
}
} // namespace

QString numberToText(const QJsonValue &value) {
    // An integer is written exactly; a double is a double, whatever whole value its binary digits
    // hold past 2^53.
    if (value.toVariant().typeId() == QMetaType::LongLong)
        return QString::number(value.toInteger());
    const double d = value.toDouble();
    if (d == std::trunc(d) && integralDouble(d))
        return QString::number(static_cast<qint64>(d));
    return shortestText(d);
}

// The shortest decimal text that reads back as the same double (19.9 stays "19.9", not the 17 digits
// of its binary approximation), written as JavaScript writes numbers: plain decimals from 1e-6 up to
// 1e21 ("0.0000015", "123456789012345680000"), exponent form outside ("1e+21", "1.5e-7").
QString shortestText(double d) {
    if (!std::isfinite(d))
        return {};
    // The shortest digits that read back as `d`, and their decimal exponent: "-1.2345e+20".
    std::array<char, 64> buffer{};
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), d, std::chars_format::scientific);
    const std::string_view scientific(buffer.data(), result.ptr - buffer.data());
    const std::size_t e = scientific.find('e');
    const bool negative = scientific.front() == '-';
    std::string digits;
    for (const char c : scientific.substr(negative ? 1 : 0, e - (negative ? 1 : 0))) {
        if (c != '.')
            digits += c;
    }
    int exponent = 0;
    std::from_chars(scientific.data() + e + (scientific[e + 1] == '+' ? 2 : 1), result.ptr, exponent);

    const int k = int(digits.size());
    const int n = exponent + 1; // the decimal point stands after n digits
    std::string text = negative ? "-" : "";
    if (k <= n && n <= 21) {
        text += digits + std::string(n - k, '0');
    } else if (0 < n && n <= 21) {
        text += digits.substr(0, n) + '.' + digits.substr(n);
    } else if (-6 < n && n <= 0) {
        text += "0." + std::string(-n, '0') + digits;
    } else {
        text += digits.substr(0, 1);
        if (k > 1)
            text += '.' + digits.substr(1);
        text += (n - 1 >= 0 ? "e+" : "e-") + std::to_string(std::abs(n - 1));
    }
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

std::optional<qint64> toInteger(const QJsonValue &value) {
    if (value.isDouble()) {
        constexpr qint64 sentinel = std::numeric_limits<qint64>::min();
        const qint64 integer = value.toInteger(sentinel);
        if (integer != sentinel)
            return integer;
        return integralDouble(std::trunc(value.toDouble()));
    }
    if (value.isBool())
        return value.toBool() ? 1 : 0;
    if (value.isString()) {
        const QString text = value.toString().trimmed();
        bool ok = false;
        const qint64 integer = text.toLongLong(&ok);
        if (ok)
            return integer;
        const double d = text.toDouble(&ok);
        if (ok)
            return integralDouble(std::trunc(d));
    }
    return std::nullopt;
}

std::optional<double> toDouble(const QJsonValue &value) {
    if (value.isDouble())
        return value.toDouble();
    if (value.isBool())
        return value.toBool() ? 1.0 : 0.0;
    if (value.isString()) {
        bool ok = false;
        const double d = value.toString().trimmed().toDouble(&ok);
        if (ok)
            return d;
    }
    return std::nullopt;
}

bool toBool(const QJsonValue &value) {
    if (value.isBool())
        return value.toBool();
    if (value.isDouble())
        return value.toDouble() != 0.0;
    if (value.isString()) {
        const QString text = value.toString().trimmed().toLower();
        return text == QLatin1String("true") || text == QLatin1String("yes") || text == QLatin1String("1");
    }
    return false;
}

std::optional<QJsonObject> parseObject(const QByteArray &text) {
    const std::optional<QJsonValue> value = parse(text);
    if (!value || !value->isObject())
        return std::nullopt;
    return value->toObject();
}

std::optional<QJsonArray> parseArray(const QByteArray &text) {
    const std::optional<QJsonValue> value = parse(text);
    if (!value || !value->isArray())
        return std::nullopt;
    return value->toArray();
}

} // namespace detail

QString toJsonString(const QJsonObject &object) {
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString toJsonString(const QJsonArray &array) {
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

QString toJsonString(const QVariantMap &map) {
    return toJsonString(QJsonObject::fromVariantMap(map));
}

QString toJsonString(const QVariantList &list) {
    return toJsonString(QJsonArray::fromVariantList(list));
}

} // namespace ml::json
