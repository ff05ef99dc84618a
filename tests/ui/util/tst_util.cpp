#include "platform/kit/MLUserDefaults.h"
#include "support/MLTestMain.h"
#include "ui/util/HCSortString.h"
#include "ui/util/MLBlockTimer.h"
#include "ui/util/MLColorUtils.h"
#include "ui/util/MLUtilsTools.h"

#include <QPointer>
#include <QTimer>

#include <memory>
#include <optional>

namespace {
using OptionalText = std::optional<QString>;

void storeOrRemove(const OptionalText &value, const QString &key) {
    MLUserDefaults &defaults = MLUserDefaults::standardUserDefaults();
    if (value)
        defaults.setString(*value, key);
    else
        defaults.removeObjectForKey(key);
}
} // namespace

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(OptionalText)

class TestUtil : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void colorWithHexString_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("expected");
        const QColor clear(Qt::transparent);
        QTest::newRow("plain") << "123456" << QColor(0x12, 0x34, 0x56);
        QTest::newRow("white space around") << " #0089ff\n" << QColor(0x00, 0x89, 0xff);
        QTest::newRow("0X then hash") << "0X#123456" << QColor(0x12, 0x34, 0x56);
        QTest::newRow("hash then 0X") << "#0X123456" << clear;
        QTest::newRow("three digits") << "#FFF" << clear;
        QTest::newRow("eight digits with alpha") << "#FF123456" << clear;
        QTest::newRow("not hex letters") << "GG0000" << clear;
        QTest::newRow("inner space") << "#12 456" << clear;
        QTest::newRow("full-width digits") << u"ＦＦＦＦＦＦ"_s << clear;
    }
    void colorWithHexString() {
        QFETCH(QString, text);
        QFETCH(QColor, expected);
        const QColor color = MLColorUtils::colorWithHexString(text);
        QCOMPARE(color.rgba(), expected.rgba());
    }

    void getMMSSFromSS_data() {
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<QString>("expected");
        QTest::newRow("mixed") << "45296" << u"12:34:56"_s;
        QTest::newRow("100 hours") << "360005" << u"100:00:05"_s;
        QTest::newRow("surrounding space") << " 61 " << u"00:01:01"_s;
        QTest::newRow("fraction cut off") << "90.9" << u"00:01:30"_s;
        QTest::newRow("trailing garbage") << "12abc" << u"00:00:00"_s;
        QTest::newRow("negative") << "-5" << u"00:00:00"_s;
        QTest::newRow("beyond 64 bits") << "1e30" << u"00:00:00"_s;
    }
    void getMMSSFromSS() {
        QFETCH(QString, seconds);
        QFETCH(QString, expected);
        QCOMPARE(MLUtilsTools::getMMSSFromSS(seconds), expected);
    }

    void subtitleColors_data() {
        QTest::addColumn<OptionalText>("source");
        QTest::addColumn<OptionalText>("target");
        QTest::addColumn<QColor>("sourceColor");
        QTest::addColumn<QColor>("targetColor");
        const QColor white(Qt::white);
        const QColor green(0xa4, 0xfc, 0xa2);
        const QColor blue(0x96, 0xcc, 0xff);
        auto v = [](const char *text) { return OptionalText(QString::fromLatin1(text)); };
        QTest::newRow("absent") << OptionalText() << OptionalText() << white << white;
        QTest::newRow("2 and 4") << v("2") << v("4") << green << blue;
        QTest::newRow("padded values") << v("02") << v(" 3") << white << white;
    }
    void subtitleColors() {
        QFETCH(OptionalText, source);
        QFETCH(OptionalText, target);
        QFETCH(QColor, sourceColor);
        QFETCH(QColor, targetColor);
        storeOrRemove(source, u"NSUserDefaultsSourceBgFloatKey"_s);
        storeOrRemove(target, u"NSUserDefaultsTargetBgFloatKey"_s);
        QCOMPARE(MLUtilsTools::returnColorForSourceLanguage().rgba(), sourceColor.rgba());
        QCOMPARE(MLUtilsTools::returnColorForTargetLanguage().rgba(), targetColor.rgba());
    }

    void sortedOrder_data() {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QList<qsizetype>>("expected");
        // "#" comes after Z although digits sort before letters and the emoji after them.
        QTest::newRow("letters then #")
            << QStringList{u"123"_s, u"英语"_s, QString(), u"阿拉伯语"_s, u"😀"_s, u"法语"_s}
            << QList<qsizetype>{3, 5, 1, 2, 0, 4};
        // 长沙 is CHANG SHA, before CHONG QING; read as ZHANG it would follow 郑州's neighbours.
        QTest::newRow("长 under C") << QStringList{u"重庆"_s, u"郑州"_s, u"长沙"_s, u"北京"_s, u"张家口"_s}
                                    << QList<qsizetype>{3, 2, 0, 4, 1};
        QTest::newRow("equal transcriptions keep their order")
            << QStringList{"ab", "1", "AB", "Ab", "1", u"á"_s, "a", u"阿"_s}
            << QList<qsizetype>{5, 6, 7, 0, 2, 3, 1, 4};
    }
    void sortedOrder() {
        QFETCH(QStringList, texts);
        QFETCH(QList<qsizetype>, expected);
        QCOMPARE(HCSortString::sortedOrder(texts), expected);
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
        QTimer *seen = nullptr;
        timer = MLBlockTimer::repeatWithInterval(0.005, context.get(), [&](QTimer *t) {
            seen = t;
            if (++fires == 3 && how == 1)
                MLBlockTimer::invalidate(timer);
            if (fires == 3 && how == 2)
                t->stop();
        });
        QTimer *const made = timer;
        QPointer<QTimer> guard(timer);
        QCOMPARE(fires, 0); // first fire one interval later, not at once
        QTRY_VERIFY(fires >= 3);
        QVERIFY(seen == made); // the block gets its own timer
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
        // Ten intervals of a timer of the same period pass without another fire.
        const int stoppedAt = fires;
        int ticks = 0;
        QTimer sentinel;
        sentinel.callOnTimeout([&] { ++ticks; });
        sentinel.start(5);
        QTRY_VERIFY(ticks >= 10);
        QCOMPARE(fires, stoppedAt);
        if (how == 1 || how == 2)
            QCOMPARE(fires, 3);
    }

    void blockTimerInterval_data() {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("milliseconds");
        QTest::newRow("rounded") << 0.2506 << 251;
        QTest::newRow("zero does not spin") << 0.0 << 1;
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
