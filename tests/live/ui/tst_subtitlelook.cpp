// The subtitle-look rows: what they store, what they announce, and what they
// leave alone.
#include "support/MLTestMain.h"

#include "live/ui/MLSoundSettingCellView.h"
#include "live/ui/MLSubtitleLookKeys.h"
#include "live/ui/NSTranslationSetupColorCellView.h"
#include "live/ui/NSTranslationSetupFontCellView.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLUserDefaults.h"
#include "ui/util/MLUtilsTools.h"

// The subtitle tables of the live pages come with the live pages.
#if __has_include("live/ui/NSTranslationVC.h")
#include "live/ui/MLMicrosoftCellView.h"
#include "live/ui/MLSubtitleTableView.h"
#include "live/ui/NSTranslationVC.h"
#define ML_HAS_SUBTITLE_TABLES 1
#endif

#include <QHeaderView>
#include <QPushButton>

using namespace MLSubtitleLookKeys;

namespace {

const QStringList kAllKeys{kFontSizeKey, kSourceColorKey, kTargetColorKey, kBgFloatKey};

MLUserDefaults &defaults() {
    return MLUserDefaults::standardUserDefaults();
}

void store(const QString &key, const QVariant &value) {
    if (value.isNull())
        defaults().removeObjectForKey(key);
    else
        defaults().setObject(value, key);
    defaults().synchronize();
}

// Counts the posts of both subtitle-look notifications.
class PostCounter final : public QObject {
public:
    PostCounter() {
        MLNotificationCenter::defaultCenter().addObserver(this, kChangeFontSizeNotification,
                                                          [this](const MLNotification &) { ++fontSize; });
        MLNotificationCenter::defaultCenter().addObserver(this, kChangeBgFloatNotification,
                                                          [this](const MLNotification &) { ++bgFloat; });
    }
    int fontSize = 0;
    int bgFloat = 0;
};

// What the defaults hold for the four keys (absent keys as null).
QVariantMap snapshot() {
    QVariantMap values;
    for (const QString &key : kAllKeys)
        values.insert(key, defaults().hasKey(key) ? defaults().objectForKey(key) : QVariant());
    return values;
}

// The four keys absent except `key`, which holds `value`.
QVariantMap onlyStored(const QString &key, const QString &value) {
    QVariantMap values;
    for (const QString &each : kAllKeys)
        values.insert(each, QVariant());
    values.insert(key, value);
    return values;
}

template <class Row> void showRow(Row &row, int height) {
    row.resize(900, height);
    row.show();
    QVERIFY(QTest::qWaitForWindowExposed(&row));
}

} // namespace

class TestSubtitleLook final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        for (const QString &key : kAllKeys)
            defaults().removeObjectForKey(key);
        defaults().synchronize();
    }

    void fontRowMarksAndRestoresStoredSize_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("marked");
        QTest::newRow("nothing stored: small") << QVariant() << QStringLiteral("小");
        QTest::newRow("medium") << QVariant(QStringLiteral("中")) << QStringLiteral("中");
        QTest::newRow("large") << QVariant(QStringLiteral("大")) << QStringLiteral("大");
        QTest::newRow("unknown text") << QVariant(QStringLiteral("特大")) << QStringLiteral("小");
        QTest::newRow("number") << QVariant(18) << QStringLiteral("小");
    }
    void fontRowMarksAndRestoresStoredSize() {
        QFETCH(QVariant, stored);
        QFETCH(QString, marked);
        store(kFontSizeKey, stored);
        PostCounter posts;
        NSTranslationSetupFontCellView row;
        QCOMPARE(row.seletedBtn()->text(), marked);
        QCOMPARE(snapshot().value(kFontSizeKey).toString(), marked);
        QCOMPARE(posts.fontSize, 1);
        QCOMPARE(posts.bgFloat, 0);
        // Exactly one button looks chosen.
        int chosen = 0;
        for (QPushButton *button : row.seletedBtnList())
            chosen += button->styleSheet().contains(QStringLiteral("#d5ebff")) ? 1 : 0;
        QCOMPARE(chosen, 1);
    }

    void choosingLargeStoresAndAnnounces() {
        NSTranslationSetupFontCellView row;
        showRow(row, 120);
        PostCounter posts;
        QTest::mouseClick(row.seletedBtnList().at(2), Qt::LeftButton);
        QCOMPARE(snapshot().value(kFontSizeKey).toString(), QStringLiteral("大"));
        QCOMPARE(posts.fontSize, 1);
        QCOMPARE(posts.bgFloat, 0);
        QCOMPARE(row.seletedBtn(), row.seletedBtnList().at(2));
        QCOMPARE(MLUtilsTools::returnFontSize().pixelSize(), 22);
    }

    void largeSizeReloadsOpenSubtitleTablesAtOnce() {
#ifndef ML_HAS_SUBTITLE_TABLES
        QSKIP("no subtitle tables in this build");
#else
        const QStringList captions{QStringLiteral("今天的会议现在开始"),
                                   QStringLiteral("大家好\nHello everyone")};
        NSTranslationVC floating;
        floating.resize(800, 300);
        floating.show();
        QVERIFY(QTest::qWaitForWindowExposed(&floating));
        floating.setListData(captions);
        MLSubtitleTableView *table = floating.tableView();
        NSTranslationSetupFontCellView row; // stores "小"
        showRow(row, 120);
        QCOMPARE(table->cellView()->font().pixelSize(), 14);
        const int smallHeight = table->verticalHeader()->sectionSize(1);

        QTest::mouseClick(row.seletedBtnList().at(2), Qt::LeftButton);
        // No event loop turn needed: the notification reloads the table synchronously.
        QCOMPARE(table->cellView()->font().pixelSize(), 22);
        for (int i = 0; i < captions.size(); ++i)
            QCOMPARE(table->verticalHeader()->sectionSize(i), table->cellView()->rowHeight(captions.at(i)));
        QVERIFY(table->verticalHeader()->sectionSize(1) > smallHeight);

        // A table made later reads 22 points too.
        MLSubtitleTableView later;
        later.resize(800, 300);
        later.setListData(captions);
        QCOMPARE(later.cellView()->font().pixelSize(), 22);
#endif
    }

    void clickingTheChosenSizeDoesNothing() {
        store(kFontSizeKey, QStringLiteral("中"));
        NSTranslationSetupFontCellView row;
        showRow(row, 120);
        // Changed behind the row's back: a write would put "中" back.
        store(kFontSizeKey, QStringLiteral("marker"));
        PostCounter posts;
        QTest::mouseClick(row.seletedBtnList().at(1), Qt::LeftButton);
        QCOMPARE(snapshot().value(kFontSizeKey).toString(), QStringLiteral("marker"));
        QCOMPARE(posts.fontSize, 0);
    }

    void colourGroupsStoreNothingWhenBuilt() {
        PostCounter posts;
        NSTranslationSetupColorCellView row;
        const QVariantMap values = snapshot();
        QVERIFY(values.value(kSourceColorKey).isNull());
        QVERIFY(values.value(kTargetColorKey).isNull());
        QVERIFY(values.value(kBgFloatKey).isNull());
        QCOMPARE(posts.fontSize, 0);
        QCOMPARE(posts.bgFloat, 0);
        QCOMPARE(row.sourceColor()->seletdView(), row.sourceColor()->whiteView());
        QCOMPARE(row.targetColor()->seletdView(), row.targetColor()->whiteView());
        QCOMPARE(row.bgColor()->seletdView(), row.bgColor()->blackView());
    }

    void colourGroupMarksStoredValue_data() {
        QTest::addColumn<bool>("source");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("swatch"); // 0 white, 1 green, 2 red, 3 blue
        QTest::addColumn<QColor>("readAs");
        const QColor white(Qt::white);
        for (bool source : {false, true}) {
            const char *side = source ? "source" : "target";
            QTest::addRow("%s 1", side) << source << QStringLiteral("1") << 0 << white;
            QTest::addRow("%s 2", side) << source << QStringLiteral("2") << 1 << QColor(0xa4, 0xfc, 0xa2);
            QTest::addRow("%s 3", side) << source << QStringLiteral("3") << 2 << QColor(0xf0, 0xa5, 0xa4);
            QTest::addRow("%s 4", side) << source << QStringLiteral("4") << 3 << QColor(0x96, 0xcc, 0xff);
            QTest::addRow("%s 5 reads as white", side) << source << QStringLiteral("5") << 0 << white;
            QTest::addRow("%s 0.3 reads as white", side) << source << QStringLiteral("0.3") << 0 << white;
        }
    }
    void colourGroupMarksStoredValue() {
        QFETCH(bool, source);
        QFETCH(QString, stored);
        QFETCH(int, swatch);
        QFETCH(QColor, readAs);
        store(source ? kSourceColorKey : kTargetColorKey, stored);
        PostCounter posts;
        NSTranslationSetupColorCellView row;
        NSTranslationSetupColorSonTargetView *group = source ? row.sourceColor() : row.targetColor();
        const QList<NSTranslationSetupColorSonSmallView *> swatches{group->whiteView(), group->greenView(),
                                                                    group->redView(), group->blueView()};
        QCOMPARE(group->seletdView(), swatches.at(swatch));
        for (int i = 0; i < swatches.size(); ++i)
            QCOMPARE(swatches.at(i)->isSeleted(), i == swatch);
        QCOMPARE(source ? MLUtilsTools::returnColorForSourceLanguage()
                        : MLUtilsTools::returnColorForTargetLanguage(),
                 readAs);
        QCOMPARE(snapshot().value(source ? kSourceColorKey : kTargetColorKey).toString(), stored);
        QCOMPARE(posts.fontSize, 0);
    }

    void colourSwatchClickStoresOnlyItsKey_data() {
        QTest::addColumn<bool>("source");
        QTest::addColumn<int>("swatch");
        QTest::addColumn<QString>("value");
        for (bool source : {false, true}) {
            const char *side = source ? "source" : "target";
            QTest::addRow("%s green", side) << source << 1 << QStringLiteral("2");
            QTest::addRow("%s red", side) << source << 2 << QStringLiteral("3");
            QTest::addRow("%s blue", side) << source << 3 << QStringLiteral("4");
        }
    }
    void colourSwatchClickStoresOnlyItsKey() {
        QFETCH(bool, source);
        QFETCH(int, swatch);
        QFETCH(QString, value);
        NSTranslationSetupColorCellView row;
        showRow(row, 120);
        NSTranslationSetupColorSonTargetView *group = source ? row.sourceColor() : row.targetColor();
        const QList<NSTranslationSetupColorSonSmallView *> swatches{group->whiteView(), group->greenView(),
                                                                    group->redView(), group->blueView()};
        PostCounter posts;
        QTest::mouseClick(swatches.at(swatch), Qt::LeftButton);

        QCOMPARE(snapshot(), onlyStored(source ? kSourceColorKey : kTargetColorKey, value));
        QCOMPARE(posts.fontSize, 1);
        QCOMPARE(posts.bgFloat, 0);
        QCOMPARE(group->seletdView(), swatches.at(swatch));
        QVERIFY(!group->whiteView()->isSeleted());

        // Back to white writes "1" (not a removal) and announces again.
        QTest::mouseClick(group->whiteView(), Qt::LeftButton);
        QCOMPARE(snapshot().value(source ? kSourceColorKey : kTargetColorKey).toString(),
                 QStringLiteral("1"));
        QCOMPARE(posts.fontSize, 2);
    }

    void clickingTheChosenSwatchDoesNothing_data() {
        QTest::addColumn<int>("group"); // 0 background, 1 source, 2 target
        QTest::newRow("background") << 0;
        QTest::newRow("source") << 1;
        QTest::newRow("target") << 2;
    }
    void clickingTheChosenSwatchDoesNothing() {
        QFETCH(int, group);
        NSTranslationSetupColorCellView row;
        showRow(row, 120);
        PostCounter posts;
        const QVariantMap before = snapshot();
        QWidget *chosen = group == 0   ? static_cast<QWidget *>(row.bgColor()->seletdView())
                          : group == 1 ? row.sourceColor()->seletdView()
                                       : row.targetColor()->seletdView();
        QTest::mouseClick(chosen, Qt::LeftButton);
        QCOMPARE(snapshot(), before);
        QCOMPARE(posts.fontSize, 0);
        QCOMPARE(posts.bgFloat, 0);
    }

    void backgroundSwatchChangesOnlyItsKey() {
        NSTranslationSetupColorCellView row;
        showRow(row, 120);
        PostCounter posts;
        QTest::mouseClick(row.bgColor()->whiteView(), Qt::LeftButton);
        QCOMPARE(snapshot(), onlyStored(kBgFloatKey, QStringLiteral("0.3")));
        QCOMPARE(posts.bgFloat, 1);
        QCOMPARE(posts.fontSize, 0);
        QVERIFY(row.bgColor()->whiteView()->isSeleted());
        QVERIFY(!row.bgColor()->blackView()->isSeleted());

        QTest::mouseClick(row.bgColor()->blackView(), Qt::LeftButton);
        QCOMPARE(snapshot().value(kBgFloatKey).toString(), QStringLiteral("0.7"));
        QCOMPARE(posts.bgFloat, 2);
        QCOMPARE(posts.fontSize, 0);
    }

    void backgroundGroupMarksStoredValue_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("light");
        QTest::newRow("light") << QStringLiteral("0.3") << true;
        QTest::newRow("dark") << QStringLiteral("0.7") << false;
        QTest::newRow("other") << QStringLiteral("0.5") << false;
    }
    void backgroundGroupMarksStoredValue() {
        QFETCH(QString, stored);
        QFETCH(bool, light);
        store(kBgFloatKey, stored);
        PostCounter posts;
        NSTranslationSetupColorCellView row;
        QCOMPARE(row.bgColor()->seletdView(),
                 light ? row.bgColor()->whiteView() : row.bgColor()->blackView());
        QCOMPARE(snapshot().value(kBgFloatKey).toString(), stored);
        QCOMPARE(posts.bgFloat, 0);
    }

    void soundChoiceChangesNothing() {
        MLSoundSettingCellView row;
        showRow(row, 100);
        const auto buttons = row.contentRadioView()->findChildren<QPushButton *>();
        QCOMPARE(buttons.size(), 1);
        QCOMPARE(buttons.first()->text(), QStringLiteral("麦克风声音"));
        PostCounter posts;
        const QVariantMap before = snapshot();
        QTest::mouseClick(buttons.first(), Qt::LeftButton);
        QCOMPARE(snapshot(), before);
        QCOMPARE(posts.fontSize + posts.bgFloat, 0);

        // A new list replaces the old buttons.
        row.setRadioList({QStringLiteral("a"), QStringLiteral("b")});
        QCOMPARE(row.contentRadioView()->findChildren<QPushButton *>().size(), 2);
    }
};

ML_TEST_MAIN(TestSubtitleLook)
#include "tst_subtitlelook.moc"
