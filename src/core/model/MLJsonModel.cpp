#include "core/model/MLJsonModel.h"

#include <cmath>
#include <limits>

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
} // namespace

QString numberToText(const QJsonValue &value) {
    constexpr qint64 sentinel = std::numeric_limits<qint64>::min();
    const qint64 integer = value.toInteger(sentinel);
    if (integer != sentinel || value.toDouble() == static_cast<double>(sentinel))
        return QString::number(integer);
    const double d = value.toDouble();
    if (d == std::trunc(d) && integralDouble(d))
        return QString::number(static_cast<qint64>(d));
    return QString::number(d, 'g', 17);
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
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

std::optional<QJsonArray> parseArray(const QByteArray &text) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    return document.array();
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
