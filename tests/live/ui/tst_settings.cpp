// The live settings: the subtitle-look rows (what they store, announce and leave alone), and the
// settings page and window that host them.
#include "support/LiveUiSupport.h"
#include "support/MLTestMain.h"
#include "support/StandinFixture.h"

#include "live/ui/MLMicrosoftCellView.h"
#include "live/ui/MLRegionSettingCellView.h"
#include "live/ui/MLSimultaneousInterpretationView.h"
#include "live/ui/MLSubtitleLookKeys.h"
#include "live/ui/MLSubtitleTableView.h"
#include "live/ui/MLTogetherSettingView.h"
#include "live/ui/NSTranslationSetupColorCellView.h"
#include "live/ui/NSTranslationSetupColorSonBgView.h"
#include "live/ui/NSTranslationSetupColorSonSourceView.h"
#include "live/ui/NSTranslationSetupFontCellView.h"
#include "live/ui/NSTranslationSonView.h"
#include "live/ui/NSTranslationVC.h"
#include "platform/kit/MLNotificationCenter.h"

#include <QHeaderView>
#include <QPushButton>

using namespace MLSubtitleLookKeys;
using namespace Qt::StringLiterals;
using ml::test::startedRequests;

namespace {

const QString kListPath = u"/meInfo/getAzureVoiceRegionList"_s;
const QStringList kAllKeys{kFontSizeKey, kSourceColorKey, kTargetColorKey, kBgFloatKey};
enum Group { Background, Source, Target, Font };

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
        auto &center = MLNotificationCenter::defaultCenter();
        center.addObserver(this, kChangeFontSizeNotification, [this](const MLNotification &) { ++fontSize; });
        center.addObserver(this, kChangeBgFloatNotification, [this](const MLNotification &) { ++bgFloat; });
    }
    int fontSize = 0;
    int bgFloat = 0;
};

// What the defaults hold of the four keys.
QVariantMap snapshot() {
    QVariantMap values;
    for (const QString &key : kAllKeys)
        if (defaults().hasKey(key))
            values.insert(key, defaults().objectForKey(key));
    return values;
}

const QString &keyOf(int group) {
    static const QStringList keys{kBgFloatKey, kSourceColorKey, kTargetColorKey, kFontSizeKey};
    return keys.at(group);
}

// The swatches of a colour group.
QList<NSTranslationSetupColorSonSmallView *> swatches(const NSTranslationSetupColorCellView &row, int group) {
    if (group == Background)
        return {row.bgColor()->whiteView(), row.bgColor()->blackView()};
    auto *side = group == Source ? row.sourceColor() : row.targetColor();
    return {side->whiteView(), side->greenView(), side->redView(), side->blueView()};
}

template <class Row> void showRow(Row &row) {
    row.resize(900, 120);
    row.show();
    QVERIFY(QTest::qWaitForWindowExposed(&row));
}

} // namespace

class TestSettings final : public QObject {
    Q_OBJECT
    ml::test::StandinFixture m_standin;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_standin.isRunning());
        m_standin.signInDemo();
    }

    void init() {
        for (const QString &key : kAllKeys)
            defaults().removeObjectForKey(key);
        defaults().synchronize();
        QTRY_COMPARE(startedRequests(kListPath), 0);
    }

    void fontRowMarksAndRestoresStoredSize_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("marked");
        QTest::newRow("nothing stored: small") << QVariant() << u"小"_s;
        QTest::newRow("large") << QVariant(u"大"_s) << u"大"_s;
        QTest::newRow("unknown text") << QVariant(u"特大"_s) << u"小"_s;
    }
    void fontRowMarksAndRestoresStoredSize() {
        QFETCH(QVariant, stored);
        QFETCH(QString, marked);
        store(kFontSizeKey, stored);
        PostCounter posts;
        NSTranslationSetupFontCellView row;
        QCOMPARE(row.seletedBtn()->text(), marked);
        QCOMPARE(snapshot(), (QVariantMap{{kFontSizeKey, marked}}));
        QCOMPARE(posts.fontSize, 1);
        QCOMPARE(posts.bgFloat, 0);
    }

    // Choosing "大" stores and announces it, and the announcement reloads open subtitle tables at once.
    void largeSizeReloadsOpenSubtitleTablesAtOnce() {
        const QStringList captions{u"今天的会议现在开始"_s, u"大家好\nHello everyone"_s};
        NSTranslationVC floating;
        floating.resize(800, 300);
        floating.show();
        QVERIFY(QTest::qWaitForWindowExposed(&floating));
        floating.setListData(captions);
        MLSubtitleTableView *table = floating.tableView();
        NSTranslationSetupFontCellView row; // stores "小"
        showRow(row);
        const int smallHeight = table->verticalHeader()->sectionSize(1);

        PostCounter posts;
        QTest::mouseClick(row.seletedBtnList().at(2), Qt::LeftButton);
        QCOMPARE(snapshot(), (QVariantMap{{kFontSizeKey, u"大"_s}}));
        QCOMPARE(posts.fontSize, 1);
        QCOMPARE(posts.bgFloat, 0);
        QCOMPARE(row.seletedBtn(), row.seletedBtnList().at(2));
        // No event loop turn: the notification reloads the table synchronously.
        QCOMPARE(table->cellView()->font().pixelSize(), 22);
        for (int i = 0; i < captions.size(); ++i)
            QCOMPARE(table->verticalHeader()->sectionSize(i), table->cellView()->rowHeight(captions.at(i)));
        QVERIFY(table->verticalHeader()->sectionSize(1) > smallHeight);

        MLSubtitleTableView later; // a table made later reads 22 points too
        later.setListData(captions);
        QCOMPARE(later.cellView()->font().pixelSize(), 22);
        store(kFontSizeKey, u"marker"_s); // behind the row's back: clicking the chosen one writes nothing
        QTest::mouseClick(row.seletedBtn(), Qt::LeftButton);
        QCOMPARE(snapshot().value(kFontSizeKey), QVariant(u"marker"_s));
        QCOMPARE(posts.fontSize, 1);
    }

    // A colour group marks the stored value without writing; a click stores only its key and announces
    // once, clicking the chosen one writes nothing, and going back writes (never removes) the value.
    void swatchesMarkAndStore_data() {
        QTest::addColumn<int>("group");
        QTest::addColumn<QString>("stored"); // empty: nothing
        QTest::addColumn<int>("marked");     // white, green, red, blue; or white, black
        QTest::addColumn<int>("swatch");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("back");
        QTest::addColumn<QString>("backValue");
        QTest::newRow("source: nothing stored")
            << int(Source) << QString() << 0 << 1 << u"2"_s << 0 << u"1"_s;
        QTest::newRow("target 5 reads as white") << int(Target) << u"5"_s << 0 << 3 << u"4"_s << 0 << u"1"_s;
        QTest::newRow("background: nothing stored")
            << int(Background) << QString() << 1 << 0 << u"0.3"_s << 1 << u"0.7"_s;
        QTest::newRow("background 0.5 reads as black")
            << int(Background) << u"0.5"_s << 1 << 0 << u"0.3"_s << 1 << u"0.7"_s;
    }
    void swatchesMarkAndStore() {
        QFETCH(int, group);
        QFETCH(QString, stored);
        QFETCH(int, marked);
        QFETCH(int, swatch);
        QFETCH(QString, value);
        QFETCH(int, back);
        QFETCH(QString, backValue);
        store(keyOf(group), stored.isEmpty() ? QVariant() : QVariant(stored));
        const QVariantMap before = snapshot();
        PostCounter posts;
        NSTranslationSetupColorCellView row;
        showRow(row);
        const auto all = swatches(row, group);
        for (int i = 0; i < all.size(); ++i)
            QCOMPARE(all.at(i)->isSeleted(), i == marked);
        QCOMPARE(snapshot(), before);
        QCOMPARE(posts.fontSize + posts.bgFloat, 0);

        int &announced = group == Background ? posts.bgFloat : posts.fontSize;
        QTest::mouseClick(all.at(swatch), Qt::LeftButton);
        QCOMPARE(snapshot(), (QVariantMap{{keyOf(group), value}}));
        QCOMPARE(posts.fontSize + posts.bgFloat, 1);
        QCOMPARE(announced, 1);
        for (int i = 0; i < all.size(); ++i)
            QCOMPARE(all.at(i)->isSeleted(), i == swatch);
        store(keyOf(group), u"marker"_s); // behind the row's back
        QTest::mouseClick(all.at(swatch), Qt::LeftButton);
        QCOMPARE(snapshot().value(keyOf(group)), QVariant(u"marker"_s));
        QTest::mouseClick(all.at(back), Qt::LeftButton);
        QCOMPARE(snapshot(), (QVariantMap{{keyOf(group), backValue}}));
        QCOMPARE(announced, 2);
    }

    // The page in the live section has a region row; the settings window has none and fetches nothing.
    // Refreshing makes new rows (and a new region row fetches the list again).
    void rowsOfPanelAndWindow_data() {
        QTest::addColumn<bool>("isSetting");
        QTest::newRow("panel") << false;
        QTest::newRow("window") << true;
    }
    void rowsOfPanelAndWindow() {
        QFETCH(bool, isSetting);
        MLTogetherSettingView view;
        view.setIsSetting(isSetting);
        QList<QPointer<QWidget>> old(view.rowViews().begin(), view.rowViews().end());
        QCOMPARE(old.size(), isSetting ? 3 : 4);
        QCOMPARE(view.findChildren<MLRegionSettingCellView *>().size(), isSetting ? 0 : 1);
        QCOMPARE(startedRequests(kListPath), isSetting ? 0 : 1);
        view.refreshData();
        QCOMPARE(view.rowViews().size(), old.size());
        for (QWidget *row : view.rowViews())
            QVERIFY(!old.contains(row));
        QCOMPARE(startedRequests(kListPath), isSetting ? 0 : 2);
        QTRY_VERIFY(std::all_of(old.begin(), old.end(), [](const QPointer<QWidget> &row) { return !row; }));
    }

    // The live section's first showing of its settings tab builds the rows once: one region list
    // request reaches the service and the font row writes and posts its size once.
    void firstShowingBuildsRowsOnce() {
        m_standin.server().clearReceivedRequests();
        PostCounter posts;
        MLSimultaneousInterpretationView section;
        section.resize(1039, 673);
        section.show();
        QTRY_COMPARE(section.seletedIndex(), 1);
        auto *settings = qobject_cast<MLTogetherSettingView *>(section.existingPage(1));
        QVERIFY(settings);
        auto *region = qobject_cast<MLRegionSettingCellView *>(settings->rowViews().at(1));
        QTRY_VERIFY(!region->dataList().isEmpty());
        QCOMPARE(m_standin.server().receivedRequests(kListPath).size(), 1);
        QCOMPARE(posts.fontSize, 1);
        QCOMPARE(section.findChildren<NSTranslationSetupFontCellView *>().size(), 1);
    }
};

ML_TEST_MAIN(TestSettings)
#include "tst_settings.moc"
