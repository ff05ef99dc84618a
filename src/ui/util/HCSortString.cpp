#include "ui/util/HCSortString.h"

#include <QLoggingCategory>

#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <numeric>
#include <optional>

namespace {

Q_LOGGING_CATEGORY(lcSort, "ml.ui.util.sort")

// "长" at the start of a name is almost always the place-name reading "cháng" (长沙, 长春), which the
// transliterator gives as "zhǎng".
constexpr char16_t kChang = u'长';

// Creating the transliterator loads its rule tables (tens of milliseconds), so it is made once; one
// instance is not safe for concurrent use, hence the lock.
class Transliteration final {
public:
    static Transliteration &shared() {
        static Transliteration instance;
        return instance;
    }

    // Nothing when the transliterator is not available.
    std::optional<QString> latin(const QString &text) {
        std::lock_guard lock(m_mutex);
        if (!m_transliterator)
            return std::nullopt;
        icu::UnicodeString buffer(reinterpret_cast<const UChar *>(text.utf16()),
                                  static_cast<int32_t>(text.size()));
        m_transliterator->transliterate(buffer);
        if (buffer.isBogus())
            return std::nullopt;
        return QString(reinterpret_cast<const QChar *>(buffer.getBuffer()), buffer.length());
    }

private:
    Transliteration() {
        UErrorCode status = U_ZERO_ERROR;
        m_transliterator.reset(icu::Transliterator::createInstance(
            icu::UnicodeString::fromUTF8("Han-Latin; Latin-ASCII"), UTRANS_FORWARD, status));
        if (U_FAILURE(status) || !m_transliterator) {
            qCWarning(lcSort) << "pinyin transliteration unavailable:" << u_errorName(status);
            m_transliterator.reset();
        }
    }

    std::mutex m_mutex;
    std::unique_ptr<icu::Transliterator> m_transliterator;
};

bool isAsciiLetter(QChar c) {
    return c >= u'A' && c <= u'Z';
}

} // namespace

QString HCSortString::transcribe(const QString &text) {
    QString latin = Transliteration::shared().latin(text).value_or(text).toUpper();
    if (text.startsWith(kChang) && latin.startsWith(QLatin1String("ZHANG")))
        latin.replace(0, 5, QStringLiteral("CHANG"));
    return latin;
}

QList<qsizetype> HCSortString::sortedOrder(const QStringList &texts) {
    struct Key {
        int group; // 0..25 for A..Z, 26 for "#"
        QString transcription;
    };
    QList<Key> keys;
    keys.reserve(texts.size());
    for (const QString &text : texts) {
        Key key{26, transcribe(text)};
        if (text.startsWith(kChang))
            key.group = 'C' - 'A';
        else if (!key.transcription.isEmpty() && isAsciiLetter(key.transcription.front()))
            key.group = key.transcription.front().unicode() - u'A';
        keys.append(std::move(key));
    }

    QList<qsizetype> order(texts.size());
    std::iota(order.begin(), order.end(), qsizetype(0));
    std::stable_sort(order.begin(), order.end(), [&keys](qsizetype a, qsizetype b) {
        const Key &left = keys.at(a);
        const Key &right = keys.at(b);
        if (left.group != right.group)
            return left.group < right.group;
        return left.transcription < right.transcription;
    });
    return order;
}
