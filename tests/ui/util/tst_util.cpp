#include "platform/kit/MLUserDefaults.h"
#include "support/MLTestMain.h"
#include "ui/util/HCSortString.h"
#include "ui/util/MLBlockTimer.h"
#include "ui/util/MLColorUtils.h"
#include "ui/util/MLUtilsTools.h"

#include <QPointer>

#include <ctime>
#include <memory>
#include <optional>

namespace {
struct Language {
    QString languageName;
    int id = 0;
};

using OptionalText = std::optional<QString>;

void storeOrRemove(const OptionalText &value, const QString &key) {
    MLUserDefaults &defaults = MLUserDefaults::standardUserDefaults();
    if (value)
        defaults.setString(*value, key);
    else
        defaults.removeObjectForKey(key);
}
} // namespace

Q_DECLARE_METATYPE(OptionalText)

class TestUtil : public QObject {
    Q_OBJECT

public:
    TestUtil() {
        // UTC+8 all year, no daylight saving: the zone the time texts are checked in.
        qputenv("TZ", "CST-8");
        tzset();
    }

private Q_SLOTS:
    void colorWithHexString_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("expected");
        const QColor clear(Qt::transparent);
        QTest::newRow("plain") << "123456" << QColor(0x12, 0x34, 0x56);
        QTest::newRow("hash, lower case") << "#ffffff" << QColor(Qt::white);
        QTest::newRow("black is opaque") << "#000000" << QColor(0, 0, 0);
        QTest::newRow("0x, lower case") << "0x00ff00" << QColor(0, 255, 0);
        QTest::newRow("white space around") << " #0089ff\n" << QColor(0x00, 0x89, 0xff);
        QTest::newRow("tabs and CRLF") << "\t0X1a2B3c \r\n" << QColor(0x1a, 0x2b, 0x3c);
        QTest::newRow("0X then hash") << "0X#123456" << QColor(0x12, 0x34, 0x56);
        QTest::newRow("hash then 0X") << "#0X123456" << clear;
        QTest::newRow("two hashes") << "##123456" << clear;
        QTest::newRow("three digits") << "#FFF" << clear;
        QTest::newRow("five digits after hash") << "#12345" << clear;
        QTest::newRow("four digits after 0X") << "0X1234" << clear;
        QTest::newRow("seven digits") << "1234567" << clear;
        QTest::newRow("seven digits after hash") << "#1234567" << clear;
        QTest::newRow("eight digits with alpha") << "#FF123456" << clear;
        QTest::newRow("not hex letters") << "GG0000" << clear;
        QTest::newRow("sign") << "+12345" << clear;
        QTest::newRow("inner space") << "#12 456" << clear;
        QTest::newRow("full-width digits") << QStringLiteral("ＦＦＦＦＦＦ") << clear;
        QTest::newRow("empty") << "" << clear;
        QTest::newRow("only white space") << "   \n\t  " << clear;
    }
    void colorWithHexString() {
        QFETCH(QString, text);
        QFETCH(QColor, expected);
        const QColor color = MLColorUtils::colorWithHexString(text);
        QCOMPARE(color.rgba(), expected.rgba());
    }

    void randomColorIsOpaqueWithChannelsBelow255() {
        QSet<QRgb> seen;
        for (int i = 0; i < 500; ++i) {
            const QColor color = MLColorUtils::randomColor();
            QCOMPARE(color.alpha(), 255);
            QVERIFY(color.red() <= 254 && color.green() <= 254 && color.blue() <= 254);
            seen.insert(color.rgb());
        }
        QVERIFY(seen.size() > 400);
    }

    void getMMSSFromSS_data() {
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << "0" << QStringLiteral("00:00:00");
        QTest::newRow("one") << "1" << QStringLiteral("00:00:01");
        QTest::newRow("minute") << "60" << QStringLiteral("00:01:00");
        QTest::newRow("last second of an hour") << "3599" << QStringLiteral("00:59:59");
        QTest::newRow("hour") << "3600" << QStringLiteral("01:00:00");
        QTest::newRow("mixed") << "45296" << QStringLiteral("12:34:56");
        QTest::newRow("99 hours") << "359999" << QStringLiteral("99:59:59");
        QTest::newRow("100 hours") << "360005" << QStringLiteral("100:00:05");
        QTest::newRow("surrounding space") << " 61 " << QStringLiteral("00:01:01");
        QTest::newRow("fraction cut off") << "90.9" << QStringLiteral("00:01:30");
        QTest::newRow("empty") << "" << QStringLiteral("00:00:00");
        QTest::newRow("garbage") << "abc" << QStringLiteral("00:00:00");
        QTest::newRow("trailing garbage") << "12abc" << QStringLiteral("00:00:00");
        QTest::newRow("negative") << "-5" << QStringLiteral("00:00:00");
        QTest::newRow("beyond 64 bits") << "1e30" << QStringLiteral("00:00:00");
    }
    void getMMSSFromSS() {
        QFETCH(QString, seconds);
        QFETCH(QString, expected);
        QCOMPARE(MLUtilsTools::getMMSSFromSS(seconds), expected);
    }

    void getDateTime_data() {
        QTest::addColumn<QString>("milliseconds");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("expected");
        // 1700000000 s is 2023-11-14 22:13:20 UTC.
        QTest::newRow("default format")
            << "1700000000000" << QString() << QStringLiteral("2023-11-15 06:13:20");
        QTest::newRow("null format") << "1700000000000" << QString() << "2023-11-15 06:13:20";
        QTest::newRow("own format") << "1700000000000" << QStringLiteral("yyyy/MM/dd")
                                    << QStringLiteral("2023/11/15");
        QTest::newRow("milliseconds cut, not rounded")
            << "1700000000999" << QStringLiteral("HH:mm:ss") << QStringLiteral("06:13:20");
        QTest::newRow("epoch") << "0" << QString() << QStringLiteral("1970-01-01 08:00:00");
        QTest::newRow("before epoch") << "-1000" << QString() << QStringLiteral("1970-01-01 07:59:59");
        QTest::newRow("garbage is epoch") << "abc" << QString() << QStringLiteral("1970-01-01 08:00:00");
        QTest::newRow("empty is epoch") << "" << QString() << QStringLiteral("1970-01-01 08:00:00");
    }
    void getDateTime() {
        QFETCH(QString, milliseconds);
        QFETCH(QString, format);
        QFETCH(QString, expected);
        QCOMPARE(MLUtilsTools::getDateTime(milliseconds, format), expected);
    }

    void nowTextsFollowClockAndZone() {
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        const QString dateBefore =
            QDateTime::currentDateTimeUtc().addSecs(8 * 3600).date().toString(Qt::ISODate);
        const QString timestamp = MLUtilsTools::getNowTimeTimestamp();
        const QString date = MLUtilsTools::getNowDate();
        const QString dateAfter =
            QDateTime::currentDateTimeUtc().addSecs(8 * 3600).date().toString(Qt::ISODate);
        const qint64 after = QDateTime::currentSecsSinceEpoch();

        bool ok = false;
        const qint64 value = timestamp.toLongLong(&ok);
        QVERIFY(ok);
        QCOMPARE(value % 1000, 0);
        QVERIFY(value >= before * 1000 && value <= after * 1000);
        QVERIFY2(date == dateBefore || date == dateAfter, qPrintable(date));
    }

    void returnFontSize_data() {
        QTest::addColumn<OptionalText>("stored");
        QTest::addColumn<int>("pixels");
        QTest::newRow("small") << OptionalText(QStringLiteral("小")) << 14;
        QTest::newRow("large") << OptionalText(QStringLiteral("大")) << 22;
        QTest::newRow("medium") << OptionalText(QStringLiteral("中")) << 18;
        QTest::newRow("absent") << OptionalText() << 14;
        QTest::newRow("empty") << OptionalText(QString()) << 14;
        QTest::newRow("unknown size") << OptionalText(QStringLiteral("特大")) << 14;
        QTest::newRow("number") << OptionalText(QStringLiteral("22")) << 14;
    }
    void returnFontSize() {
        QFETCH(OptionalText, stored);
        QFETCH(int, pixels);
        storeOrRemove(stored, QStringLiteral("NSUserDefaultsFontSizeKey"));
        const QFont font = MLUtilsTools::returnFontSize();
        QCOMPARE(font.pixelSize(), pixels);
        QCOMPARE(font.family(), QGuiApplication::font().family());
    }

    void subtitleColors_data() {
        QTest::addColumn<OptionalText>("source");
        QTest::addColumn<OptionalText>("target");
        QTest::addColumn<QColor>("sourceColor");
        QTest::addColumn<QColor>("targetColor");
        const QColor white(Qt::white);
        const QColor green(0xa4, 0xfc, 0xa2);
        const QColor red(0xf0, 0xa5, 0xa4);
        const QColor blue(0x96, 0xcc, 0xff);
        auto v = [](const char *text) { return OptionalText(QString::fromLatin1(text)); };
        QTest::newRow("absent") << OptionalText() << OptionalText() << white << white;
        QTest::newRow("2 and 3") << v("2") << v("3") << green << red;
        QTest::newRow("4 and 2") << v("4") << v("2") << blue << green;
        QTest::newRow("3 and 4") << v("3") << v("4") << red << blue;
        QTest::newRow("1 is white") << v("1") << v("1") << white << white;
        QTest::newRow("one side absent") << v("2") << OptionalText() << green << white;
        QTest::newRow("padded values") << v("02") << v(" 3") << white << white;
        QTest::newRow("empty") << v("") << v("") << white << white;
    }
    void subtitleColors() {
        QFETCH(OptionalText, source);
        QFETCH(OptionalText, target);
        QFETCH(QColor, sourceColor);
        QFETCH(QColor, targetColor);
        storeOrRemove(source, QStringLiteral("NSUserDefaultsSourceBgFloatKey"));
        storeOrRemove(target, QStringLiteral("NSUserDefaultsTargetBgFloatKey"));
        QCOMPARE(MLUtilsTools::returnColorForSourceLanguage().rgba(), sourceColor.rgba());
        QCOMPARE(MLUtilsTools::returnColorForTargetLanguage().rgba(), targetColor.rgba());
    }

    void transcribe_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Mandarin") << QStringLiteral("中国") << "ZHONG GUO";
        QTest::newRow("leading 长 reads chang") << QStringLiteral("长沙") << "CHANG SHA";
        QTest::newRow("inner 长 untouched") << QStringLiteral("市长") << "SHI ZHANG";
        QTest::newRow("marks stripped") << QStringLiteral("Émile") << "EMILE";
        QTest::newRow("Latin upper-cased") << "english" << QStringLiteral("ENGLISH");
        QTest::newRow("empty") << "" << QString();
    }
    void transcribe() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(HCSortString::transcribe(text), expected);
    }

    void sortedOrder_data() {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QList<qsizetype>>("expected");
        QTest::newRow("empty list") << QStringList() << QList<qsizetype>();
        // "#" comes after Z although digits sort before letters and the emoji after them.
        QTest::newRow("letters then #")
            << QStringList{QStringLiteral("123"),      QStringLiteral("英语"), QString(),
                           QStringLiteral("阿拉伯语"), QStringLiteral("😀"),    QStringLiteral("法语")}
            << QList<qsizetype>{3, 5, 1, 2, 0, 4};
        // 长沙 is CHANG SHA, before CHONG QING; read as ZHANG it would follow 郑州's neighbours.
        QTest::newRow("长 under C") << QStringList{QStringLiteral("重庆"), QStringLiteral("郑州"),
                                                   QStringLiteral("长沙"), QStringLiteral("北京"),
                                                   QStringLiteral("张家口")}
                                    << QList<qsizetype>{3, 2, 0, 4, 1};
        QTest::newRow("mixed Han and Latin")
            << QStringList{QStringLiteral("zebra"), QStringLiteral("中文"), QStringLiteral("Apple"),
                           QStringLiteral("ábc"),   QStringLiteral("bee"),  QStringLiteral("北京")}
            << QList<qsizetype>{3, 2, 4, 5, 0, 1};
        QTest::newRow("equal transcriptions keep their order")
            << QStringList{"ab", "1", "AB", "Ab", "1", QStringLiteral("á"), "a", QStringLiteral("阿")}
            << QList<qsizetype>{5, 6, 7, 0, 2, 3, 1, 4};
    }
    void sortedOrder() {
        QFETCH(QStringList, texts);
        QFETCH(QList<qsizetype>, expected);
        QCOMPARE(HCSortString::sortedOrder(texts), expected);
    }

    void sortForArrayReordersItems() {
        const QList<Language> languages{{QStringLiteral("英语"), 1},
                                        {QStringLiteral("德语"), 2},
                                        {QStringLiteral("Русский"), 3},
                                        {QStringLiteral("阿拉伯语"), 4}};
        const QList<Language> sorted = HCSortString::sortForArray(languages, &Language::languageName);
        QList<int> ids;
        for (const Language &language : sorted)
            ids.append(language.id);
        QCOMPARE(ids, (QList<int>{4, 2, 1, 3}));
        QVERIFY(HCSortString::sortForArray(QList<Language>(), &Language::languageName).isEmpty());
    }

    void blockTimerRepeatsWithItself() {
        QObject context;
        int fires = 0;
        QTimer *seen = nullptr;
        QTimer *timer = MLBlockTimer::repeatWithInterval(0.005, &context, [&](QTimer *t) {
            seen = t;
            ++fires;
        });
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 5);
        QCOMPARE(fires, 0); // first fire one interval later, not at once
        QTRY_VERIFY(fires >= 3);
        QCOMPARE(seen, timer);
    }

    void blockTimerStops_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("invalidated from outside") << 0;
        QTest::newRow("invalidated from its block") << 1;
        QTest::newRow("stopped from its block") << 2;
        QTest::newRow("context destroyed") << 3;
    }
    void blockTimerStops() {
        QFETCH(int, how);
        auto context = std::make_unique<QObject>();
        int fires = 0;
        QTimer *timer = nullptr;
        timer = MLBlockTimer::repeatWithInterval(0.005, context.get(), [&](QTimer *t) {
            if (++fires == 3 && how == 1)
                MLBlockTimer::invalidate(timer);
            if (fires == 3 && how == 2)
                t->stop();
        });
        QPointer<QTimer> guard(timer);
        QTRY_VERIFY(fires >= 3);
        if (how == 0) {
            MLBlockTimer::invalidate(timer);
            QCOMPARE(timer, nullptr);
            MLBlockTimer::invalidate(timer); // no-op on nullptr
        } else if (how == 3) {
            context.reset();
            QVERIFY(guard.isNull());
        }
        if (how == 2)
            QVERIFY(!guard->isActive());
        else
            QTRY_VERIFY(guard.isNull());
        const int stoppedAt = fires;
        QTest::qWait(50);
        QCOMPARE(fires, stoppedAt);
        if (how == 1 || how == 2)
            QCOMPARE(fires, 3);
    }

    void blockTimerInterval_data() {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("milliseconds");
        QTest::newRow("one second") << 1.0 << 1000;
        QTest::newRow("rounded") << 0.2506 << 251;
        QTest::newRow("zero does not spin") << 0.0 << 1;
        QTest::newRow("negative") << -3.0 << 1;
        QTest::newRow("not a number") << std::nan("") << 1;
        QTest::newRow("beyond int") << 1e12 << std::numeric_limits<int>::max();
    }
    void blockTimerInterval() {
        QFETCH(double, seconds);
        QFETCH(int, milliseconds);
        QObject context;
        QTimer *timer = MLBlockTimer::repeatWithInterval(seconds, &context, [](QTimer *) {});
        QCOMPARE(timer->interval(), milliseconds);
        QVERIFY(timer->isActive());
    }
};

ML_TEST_MAIN(TestUtil)
#include "tst_util.moc"
