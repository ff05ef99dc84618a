// The live settings: the subtitle-look rows (what they store, announce and leave alone), the settings
// page and window that host them, and the speech-region row (preselection, reporting picks to the
// service, the region notes).
#include "support/LiveUiSupport.h"
#include "support/MLTestMain.h"
#include "support/StandinFixture.h"
#include "support/ToastTexts.h"

#include "core/session/MLUserManager.h"
#include "live/ui/MLHelpSelectVC.h"
#include "live/ui/MLLiveSettingsWindow.h"
#include "live/ui/MLMicrosoftCellView.h"
#include "live/ui/MLRegionSettingCellView.h"
#include "live/ui/MLRegionShowTipCellView.h"
#include "live/ui/MLRegionShowTipVC.h"
#include "live/ui/MLSimultaneousInterpretationView.h"
#include "live/ui/MLSubtitleLookKeys.h"
#include "live/ui/MLSubtitleTableView.h"
#include "live/ui/MLTogetherSettingView.h"
#include "live/ui/NSRegionComboBoxView.h"
#include "live/ui/NSTranslationSetupColorCellView.h"
#include "live/ui/NSTranslationSetupColorSonBgView.h"
#include "live/ui/NSTranslationSetupColorSonSourceView.h"
#include "live/ui/NSTranslationSetupFontCellView.h"
#include "live/ui/NSTranslationSonView.h"
#include "live/ui/NSTranslationVC.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLNotificationNames.h"
#include "platform/kit/ui/MLApplicationModal.h"

#include <QHeaderView>
#include <QJsonArray>
#include <QPushButton>
#include <QScrollBar>

using namespace MLSubtitleLookKeys;
using namespace Qt::StringLiterals;
using ml::test::startedRequests;

namespace {

const QString kListPath = u"/meInfo/getAzureVoiceRegionList"_s;
const QString kUpdatePath = u"/meInfo/updateRegionCode"_s;
constexpr qint64 kDemoId = 10001;

MLRegionModel region(const QString &code, bool isDefault = false, const QString &desc = {}) {
    MLRegionModel model;
    model.regionCode = code;
    model.regionExplain = code + u" 区域"_s;
    model.desc = desc;
    model.defaultRegion = isDefault;
    return model;
}

// Marks: "*" flags the default region.
QList<MLRegionModel> regions(const QStringList &codes) {
    QList<MLRegionModel> list;
    for (QString code : codes) {
        const bool isDefault = code.endsWith(QLatin1Char('*'));
        code.remove(QLatin1Char('*'));
        list.append(region(code, isDefault));
    }
    return list;
}

void setAccount(std::optional<QString> regionCode) {
    if (!regionCode) {
        MLUserManager::sharedManager().setCurrentMineUser(std::nullopt);
        return;
    }
    MLMineModel account;
    account.consumerId = kDemoId;
    account.regionCode = *regionCode;
    MLUserManager::sharedManager().setCurrentMineUser(account);
}

QString accountCode() {
    const auto &account = MLUserManager::sharedManager().currentMineUser();
    return account ? account->regionCode : u"<no account>"_s;
}

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
        center.addObserver(this, MLNotificationNames::kChangeFontSize,
                           [this](const MLNotification &) { ++fontSize; });
        center.addObserver(this, MLNotificationNames::kChangeBgFloat,
                           [this](const MLNotification &) { ++bgFloat; });
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
    QVERIFY(ml::test::shown(&row, {900, 120}));
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
        server().clearFaults();
        server().clearReceivedRequests();
        server().state().account(kDemoId)->profile.regionCode = u"eastasia"_s;
        setAccount(u"eastasia"_s);
        // Let answers and deletions of the previous test go by.
        QTRY_COMPARE(startedRequests(kUpdatePath) + startedRequests(kListPath), 0);
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
        QVERIFY(ml::test::shown(&floating, {800, 300}));
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

    // The settings window's rows are white with their "#efefef" separators, whichever window hosts it.
    void settingsWindowIsWhite_data() {
        QTest::addColumn<bool>("floating");
        QTest::newRow("control bar") << false;
        QTest::newRow("floating window") << true;
    }
    void settingsWindowIsWhite() {
        QFETCH(bool, floating);
        NSTranslationVC floatingVC;
        NSTranslationSonView bar;
        MLLiveSettingsWindow *window = floating ? floatingVC.suspensionWindow() : bar.helpWindow();
        auto *content = new MLHelpSelectVC;
        window->setContentViewController(content);
        QVERIFY(ml::test::shown(window));
        QWidget *row = content->contentView()->rowViews().at(0);
        const int height = content->contentView()->heightOfRow(0);
        QTRY_COMPARE(row->height(), height);
        const QImage image = window->grab().toImage();
        const QPoint corner = row->mapTo(window, QPoint(row->width() - 5, 0));
        QCOMPARE(image.pixelColor(window->width() - 5, 5), QColor(Qt::white)); // the root view
        QCOMPARE(image.pixelColor(corner + QPoint(0, height / 2)), QColor(Qt::white));
        QCOMPARE(image.pixelColor(corner + QPoint(0, height - 1)), QColor(u"#efefef"_s));
        window->close();
    }

    // The live section's first showing of its settings tab builds the rows once: one region list
    // request reaches the service and the font row writes and posts its size once.
    void firstShowingBuildsRowsOnce() {
        PostCounter posts;
        MLSimultaneousInterpretationView section;
        section.resize(1039, 673);
        section.show();
        QTRY_COMPARE(section.seletedIndex(), 1);
        auto *settings = qobject_cast<MLTogetherSettingView *>(section.existingPage(1));
        QVERIFY(settings);
        auto *region = qobject_cast<MLRegionSettingCellView *>(settings->rowViews().at(1));
        QTRY_VERIFY(!region->dataList().isEmpty());
        QCOMPARE(server().receivedRequests(kListPath).size(), 1);
        QCOMPARE(posts.fontSize, 1);
        QCOMPARE(section.findChildren<NSTranslationSetupFontCellView *>().size(), 1);
    }

    void preselectionSendsNothing_data() {
        QTest::addColumn<std::optional<QString>>("account");
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<int>("shown");
        using Code = std::optional<QString>;
        const QStringList list{u"a"_s, u"b*"_s, u"c"_s, u"d"_s};
        QTest::newRow("account code in list") << Code(u"c"_s) << list << 2;
        QTest::newRow("no code: default") << Code(QString()) << list << 1;
        QTest::newRow("no account details: default") << Code() << list << 1;
        QTest::newRow("no code, no default: first") << Code(QString()) << QStringList{u"a"_s, u"b"_s} << 0;
        QTest::newRow("no code, two defaults: first flagged")
            << Code(QString()) << QStringList{u"a"_s, u"b*"_s, u"c*"_s} << 1;
        QTest::newRow("unknown code: first, not the default") << Code(u"mars"_s) << list << 0;
        QTest::newRow("empty list: no row") << Code(u"c"_s) << QStringList() << -1;
    }
    void preselectionSendsNothing() {
        QFETCH(std::optional<QString>, account);
        QFETCH(QStringList, codes);
        QFETCH(int, shown);
        setAccount(account);
        NSRegionComboBoxView picker;
        picker.setDataList(regions(codes));
        QCOMPARE(startedRequests(kUpdatePath), 0);
        QCOMPARE(picker.comboBoxView()->currentIndex(), shown);
        QCOMPARE(picker.comboBoxView()->count(), codes.size());
        if (shown < 0)
            return;
        QCOMPARE(picker.seletedIndex(), shown);
        QCOMPARE(picker.comboBoxView()->currentText(), picker.dataList().at(shown).regionExplain);
        // Picking the row already shown sends nothing either.
        picker.comboBoxView()->setCurrentIndex(shown);
        QCOMPARE(startedRequests(kUpdatePath), 0);
    }

    void eachRealChangeSendsOneUpdate() {
        NSRegionComboBoxView picker;
        picker.setDataList(serviceRegions());
        const int japan = indexOf(picker.dataList(), u"japaneast"_s);
        const int europe = indexOf(picker.dataList(), u"westeurope"_s);
        QVERIFY(japan > 0 && europe > 0);

        picker.comboBoxView()->setCurrentIndex(japan);
        QCOMPARE(startedRequests(kUpdatePath), 1);
        QCOMPARE(picker.seletedIndex(), japan);
        QTRY_COMPARE(accountCode(), u"japaneast"_s);
        QCOMPARE(server().receivedRequests(kUpdatePath).size(), 1);
        QCOMPARE(server().lastRequest(kUpdatePath)->params, QJsonObject({{u"regionCode"_s, u"japaneast"_s}}));

        picker.comboBoxView()->setCurrentIndex(japan); // the row shown
        QCOMPARE(startedRequests(kUpdatePath), 0);

        picker.comboBoxView()->setCurrentIndex(europe);
        QCOMPARE(startedRequests(kUpdatePath), 1);
        QTRY_COMPARE(accountCode(), u"westeurope"_s);
        QCOMPARE(server().receivedRequests(kUpdatePath).size(), 2);
        QCOMPARE(server().state().account(kDemoId)->profile.regionCode, u"westeurope"_s);
    }

    void failedUpdateKeepsTheOldAccountCode_data() {
        QTest::addColumn<bool>("knownRegion");
        QTest::addColumn<QString>("message"); // empty: the service's own
        QTest::newRow("service busy") << true << u"系统繁忙"_s;
        QTest::newRow("region the service does not offer") << false << QString();
    }
    void failedUpdateKeepsTheOldAccountCode() {
        QFETCH(bool, knownRegion);
        QFETCH(QString, message);
        NSRegionComboBoxView picker;
        picker.resize(240, 30);
        picker.setDataList(knownRegion ? serviceRegions()
                                       : QList<MLRegionModel>{region(u"eastasia"_s), region(u"mars"_s)});
        const int pick = knownRegion ? indexOf(picker.dataList(), u"koreacentral"_s) : 1;
        if (!message.isEmpty())
            server().injectFault(kUpdatePath, StandinFault::answer(u"DIA500"_s, message));
        picker.comboBoxView()->setCurrentIndex(pick);
        QTRY_VERIFY(!ml::test::toastTexts(&picker).isEmpty());
        if (!message.isEmpty())
            QCOMPARE(ml::test::toastTexts(&picker), QStringList{message});
        QCOMPARE(server().state().account(kDemoId)->profile.regionCode, u"eastasia"_s);
        QCOMPARE(accountCode(), u"eastasia"_s);
        QCOMPARE(picker.comboBoxView()->currentIndex(), pick); // the picker keeps showing the pick
    }

    void acceptedRegionOutlivesThePicker() {
        // A settings table reloaded while the update is on its way destroys the picker; the account must
        // still take the region the service accepted (not lose or blank it).
        server().injectFault(kUpdatePath, StandinFault::delay(150));
        auto picker = std::make_unique<NSRegionComboBoxView>();
        picker->setDataList(serviceRegions());
        picker->comboBoxView()->setCurrentIndex(indexOf(picker->dataList(), u"uksouth"_s));
        picker.reset();
        QTRY_COMPARE(accountCode(), u"uksouth"_s);
    }

    // The row fetches the list, preselects the account's region and sends nothing; the notes icon shows
    // once a list is in and opens the notes. A failed list shows the service's message instead.
    void regionRowFetchesTheList_data() {
        QTest::addColumn<bool>("fails");
        QTest::newRow("list arrives") << false;
        QTest::newRow("list fails") << true;
    }
    void regionRowFetchesTheList() {
        QFETCH(bool, fails);
        if (fails)
            server().injectFault(kListPath, StandinFault::answer(u"DIA500"_s, u"系统繁忙"_s));
        setAccount(u"southeastasia"_s);
        MLRegionSettingCellView row;
        row.resize(800, 100);
        QVERIFY(row.regionQueryImageView()->isHidden());
        QCOMPARE(startedRequests(kListPath), 1);
        QTRY_COMPARE(startedRequests(kListPath), 0);
        QCOMPARE(ml::test::toastTexts(&row), fails ? QStringList{u"系统繁忙"_s} : QStringList());
        QCOMPARE(row.regionQueryImageView()->isHidden(), fails);
        QCOMPARE(row.dataList().size(), fails ? 0 : serviceRegions().size());
        QCOMPARE(row.regionComboBoxView()->comboBoxView()->currentIndex(),
                 fails ? -1 : indexOf(row.dataList(), u"southeastasia"_s));
        QCOMPARE(server().receivedRequests(kUpdatePath).size(), 0);
        if (fails)
            return;
        // The notes open application-modally, made anew on each click and gone once closed.
        QPointer<MLRegionShowTipVC> seen;
        int seenRows = -1; // of a shown modal notes window
        QTimer::singleShot(0, this, [&] {
            seen = qobject_cast<MLRegionShowTipVC *>(MLApplicationModal::modalWindow());
            if (seen && seen->isVisible() && seen->isWindow())
                seenRows = seen->numberOfRowsInTableView();
            if (seen)
                seen->close();
            MLApplicationModal::stopModal(); // what the application delegate does whenever a window closes
        });
        row.regionQueryClick();
        QCOMPARE(seenRows, int(row.dataList().size()));
        QVERIFY(!MLApplicationModal::isRunning());
        QTRY_VERIFY(seen.isNull());
    }

    void noteRowsFollowTheirText() {
        MLRegionShowTipVC notes;
        const QString longNote = u"数据中心位于荷兰，适合在欧洲大陆使用。"_s.repeated(40);
        notes.setDataList(
            {region(u"a"_s), region(u"b"_s, false, u"短说明"_s), region(u"c"_s, false, longNote)});
        QVERIFY(notes.heightOfRow(1) > notes.heightOfRow(0));
        QVERIFY(notes.heightOfRow(2) > notes.heightOfRow(1));
        QVERIFY(ml::test::shown(&notes));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(notes.viewForRow(i)->height(), notes.heightOfRow(i));
        QTRY_VERIFY(notes.scrollView()->verticalScrollBar()->maximum() > 0);

        // A new list replaces the rows.
        notes.setDataList({region(u"x"_s)});
        QCOMPARE(notes.numberOfRowsInTableView(), 1);
        QCOMPARE(notes.viewForRow(0)->titleLabel()->text(), u"x 区域"_s);
        QTRY_COMPARE(notes.scrollView()->verticalScrollBar()->maximum(), 0);
    }

private:
    StandinServer &server() { return m_standin.server(); }

    QList<MLRegionModel> serviceRegions() {
        return ml::json::arrayFromJson<MLRegionModel>(
            server().state().fixture(u"regions"_s).toObject().value(u"regions"_s));
    }

    static int indexOf(const QList<MLRegionModel> &list, const QString &code) {
        const auto at =
            std::find_if(list.begin(), list.end(), [&](const auto &r) { return r.regionCode == code; });
        return at == list.end() ? -1 : int(at - list.begin());
    }
};

ML_TEST_MAIN(TestSettings)
#include "tst_settings.moc"
