// Fuzzes the JSON model mapper: every field type read from any JSON, models written back and read
// again unchanged, and numbers written as text that reads back as the same number.
#include "core/model/MLJsonModel.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

struct Inner {
    QString name;
    qint64 count = 0;
    ML_MODEL(Inner, ML_FIELD(name), ML_FIELD(count))
};

struct Everything {
    QString text;
    qint64 id = 0;
    int small = 0;
    unsigned short tiny = 0;
    double ratio = 0;
    bool flag = false;
    QString desc;
    QList<Inner> items;
    QStringList tags;
    QList<qint64> numbers;
    Inner single;
    QJsonValue any;
    QJsonArray raw;
    QJsonObject object;
    ML_MODEL(Everything, ML_FIELD(text), ML_FIELD(id), ML_FIELD(small), ML_FIELD(tiny), ML_FIELD(ratio),
             ML_FIELD(flag), ML_FIELD_KEY(desc, "description"), ML_FIELD(items), ML_FIELD(tags),
             ML_FIELD(numbers), ML_FIELD(single), ML_FIELD(any), ML_FIELD(raw), ML_FIELD(object))
};

void check(bool condition) {
    if (!condition)
        std::abort();
}

void checkNumbers(const QJsonValue &value) {
    if (value.isDouble()) {
        const QString text = ml::json::detail::numberToText(value);
        bool ok = false;
        const double back = text.toDouble(&ok);
        check(ok);
        const double d = value.toDouble();
        // Integers beyond 2^53 are kept exactly as qint64; everything else reads back to its double.
        check(back == d || text == QString::number(value.toInteger()));
    } else if (value.isArray()) {
        for (const QJsonValue &element : value.toArray())
            checkNumbers(element);
    } else if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            checkNumbers(it.value());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray json(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto model = ml::json::fromJson<Everything>(json);
    static_cast<void>(ml::json::arrayFromJson<Everything>(json));
    if (model) {
        const QString written = ml::json::toJsonString(*model);
        const auto again = ml::json::fromJson<Everything>(written);
        check(again.has_value());
        check(ml::json::toJsonString(*again) == written);
    }
    const QJsonDocument document = QJsonDocument::fromJson(json);
    checkNumbers(document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object()));
    // Any double, as the bytes give it, written shortest and read back.
    if (size >= sizeof(double)) {
        double d = 0;
        std::memcpy(&d, data, sizeof d);
        if (std::isfinite(d)) {
            bool ok = false;
            check(ml::json::detail::shortestText(d).toDouble(&ok) == d && ok);
        }
    }
    return 0;
}
