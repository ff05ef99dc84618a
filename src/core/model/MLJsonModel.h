#pragma once

// The JSON model mapper: one generic mechanism that fills answer models from JSON and writes models
// back to JSON text.
//
// A model is a plain value type that declares its fields once:
//
//     struct MLRegionModel {
//         QString regionCode;
//         QString desc;
//         ML_MODEL(MLRegionModel, ML_FIELD(regionCode), ML_FIELD_KEY(desc, "description"))
//     };
//
// The field's C++ type decides how a JSON value is read; arrays of models name their element class
// through their type (QList<MLRegionModel>). Conversion rules, chosen to match what the service sends:
//   - an absent key or null leaves the field as the model's default (empty, 0, false);
//   - text fields take strings as they are and numbers as decimal text: integers exactly, doubles
//     (numbers the JSON text writes with a fraction or an exponent, past 2^53 too) as the shortest
//     text that reads back as the same double (19.9 gives "19.9"), plain from 1e-6 up to 1e21 and in
//     exponent form outside ("1e+21", "1.5e-7"), as JavaScript writes them;
//   - an absent or null text stays a null QString, while "" gives an empty QString that is not null,
//     so a caller can tell the two apart (isNull());
//   - integer and floating fields take numbers, numeric strings and booleans (as 0/1);
//   - booleans take booleans, numbers (non-zero is true) and the strings "true"/"yes"/"1";
//   - model fields take objects; model lists take arrays and skip elements that are not objects;
//   - text lists take arrays of strings or numbers;
//   - QJsonValue / QJsonArray / QJsonObject fields keep the raw value;
//   - any other mismatch leaves the field empty. Nothing here throws or asserts on bad input.

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <concepts>
#include <optional>
#include <tuple>
#include <type_traits>

namespace ml::json {

// One declared field: its name, the member it fills and the JSON key (the name unless overridden).
template <class Model, class Value> struct Field {
    const char *name;
    Value Model::*member;
    const char *key;
};

template <class Model, class Value>
constexpr Field<Model, Value> field(const char *name, Value Model::*member, const char *key = nullptr) {
    return {name, member, key ? key : name};
}

template <class T>
concept Model = requires {
    { T::modelClassName() } -> std::convertible_to<const char *>;
    T::modelFields();
};

template <class T> struct IsList : std::false_type {};
template <class T> struct IsList<QList<T>> : std::true_type { using Element = T; };

namespace detail {

QString numberToText(const QJsonValue &value);
QString shortestText(double value);
std::optional<qint64> toInteger(const QJsonValue &value);
std::optional<double> toDouble(const QJsonValue &value);
bool toBool(const QJsonValue &value);
std::optional<QJsonObject> parseObject(const QByteArray &text);
std::optional<QJsonArray> parseArray(const QByteArray &text);

} // namespace detail

template <Model M> M fromObject(const QJsonObject &object);
template <Model M> QJsonObject toObject(const M &model);

// Reads one JSON value into a field of type T. Returns without touching `out` on a mismatch.
template <class T> void readValue(const QJsonValue &value, T &out) {
    if (value.isNull() || value.isUndefined())
        return;
    if constexpr (std::is_same_v<T, QString>) {
        if (value.isString()) {
            out = value.toString();
            if (out.isNull())
                out = QStringLiteral(""); // present but empty: not the same as absent
        } else if (value.isDouble())
            out = detail::numberToText(value);
    } else if constexpr (std::is_same_v<T, bool>) {
        out = detail::toBool(value);
    } else if constexpr (std::is_integral_v<T>) {
        if (auto v = detail::toInteger(value))
            out = static_cast<T>(*v);
    } else if constexpr (std::is_floating_point_v<T>) {
        if (auto v = detail::toDouble(value))
            out = static_cast<T>(*v);
    } else if constexpr (std::is_same_v<T, QJsonValue>) {
        out = value;
    } else if constexpr (std::is_same_v<T, QJsonArray>) {
        if (value.isArray())
            out = value.toArray();
    } else if constexpr (std::is_same_v<T, QJsonObject>) {
        if (value.isObject())
            out = value.toObject();
    } else if constexpr (Model<T>) {
        if (value.isObject())
            out = fromObject<T>(value.toObject());
    } else if constexpr (IsList<T>::value) {
        using E = typename IsList<T>::Element;
        if (!value.isArray())
            return;
        T list;
        const QJsonArray array = value.toArray();
        list.reserve(array.size());
        for (const QJsonValue &element : array) {
            if constexpr (Model<E>) {
                if (element.isObject())
                    list.append(fromObject<E>(element.toObject()));
            } else if constexpr (std::is_same_v<E, QString>) {
                if (element.isString() || element.isDouble()) {
                    QString text;
                    readValue(element, text);
                    list.append(text);
                }
            } else {
                E item{};
                readValue(element, item);
                list.append(item);
            }
        }
        out = std::move(list);
    } else {
        static_assert(sizeof(T) == 0, "field type not supported by the JSON model mapper");
    }
}

template <class T> QJsonValue writeValue(const T &value) {
    if constexpr (std::is_same_v<T, QString> || std::is_same_v<T, bool> || std::is_same_v<T, QJsonValue> ||
                  std::is_same_v<T, QJsonArray> || std::is_same_v<T, QJsonObject>) {
        return QJsonValue(value);
    } else if constexpr (std::is_integral_v<T>) {
        return QJsonValue(static_cast<qint64>(value));
    } else if constexpr (std::is_floating_point_v<T>) {
        return QJsonValue(static_cast<double>(value));
    } else if constexpr (Model<T>) {
        return toObject(value);
    } else if constexpr (IsList<T>::value) {
        QJsonArray array;
        for (const auto &element : value)
            array.append(writeValue(element));
        return array;
    } else {
        static_assert(sizeof(T) == 0, "field type not supported by the JSON model mapper");
    }
}

// A new model filled from a JSON object.
template <Model M> M fromObject(const QJsonObject &object) {
    M model{};
    std::apply(
        [&](const auto &...fields) {
            (readValue(object.value(QLatin1String(fields.key)), model.*(fields.member)), ...);
        },
        M::modelFields());
    return model;
}

// A new model from a JSON object given as a value, text or bytes; nothing when it is not an object.
template <Model M> std::optional<M> fromJson(const QJsonValue &json) {
    if (!json.isObject())
        return std::nullopt;
    return fromObject<M>(json.toObject());
}
template <Model M> std::optional<M> fromJson(const QJsonObject &json) {
    return fromObject<M>(json);
}
template <Model M> std::optional<M> fromJson(const QByteArray &json) {
    if (auto object = detail::parseObject(json))
        return fromObject<M>(*object);
    return std::nullopt;
}
template <Model M> std::optional<M> fromJson(const QString &json) {
    return fromJson<M>(json.toUtf8());
}

// One new model per element of a JSON array (as array, text or bytes), in order; elements that are
// not objects are skipped. Anything that is not an array gives an empty list.
template <Model M> QList<M> arrayFromJson(const QJsonArray &json) {
    QList<M> list;
    readValue(QJsonValue(json), list);
    return list;
}
template <Model M> QList<M> arrayFromJson(const QJsonValue &json) {
    return json.isArray() ? arrayFromJson<M>(json.toArray()) : QList<M>{};
}
template <Model M> QList<M> arrayFromJson(const QByteArray &json) {
    if (auto array = detail::parseArray(json))
        return arrayFromJson<M>(*array);
    return {};
}
template <Model M> QList<M> arrayFromJson(const QString &json) {
    return arrayFromJson<M>(json.toUtf8());
}

// The JSON object of a model, by its declared field names (or their key overrides).
template <Model M> QJsonObject toObject(const M &model) {
    QJsonObject object;
    std::apply(
        [&](const auto &...fields) {
            ((object[QLatin1String(fields.key)] = writeValue(model.*(fields.member))), ...);
        },
        M::modelFields());
    return object;
}

// Compact JSON text of a model, a list of models, an object, an array, a map or a list.
QString toJsonString(const QJsonObject &object);
QString toJsonString(const QJsonArray &array);
QString toJsonString(const QVariantMap &map);
QString toJsonString(const QVariantList &list);
template <Model M> QString toJsonString(const M &model) {
    return toJsonString(toObject(model));
}
template <Model M> QString toJsonString(const QList<M> &models) {
    return toJsonString(writeValue(models).toArray());
}

} // namespace ml::json

// Declares a model's class name and fields. Use inside the struct, after its members.
#define ML_MODEL(Class, ...)                                                                                 \
    static constexpr const char *modelClassName() {                                                          \
        return #Class;                                                                                       \
    }                                                                                                        \
    static auto modelFields() {                                                                              \
        using Self = Class;                                                                                  \
        return std::make_tuple(__VA_ARGS__);                                                                 \
    }

#define ML_FIELD(name) ::ml::json::field(#name, &Self::name)
#define ML_FIELD_KEY(name, jsonKey) ::ml::json::field(#name, &Self::name, jsonKey)
