// The speech-region row: preselection, reporting picks to the service, and the region notes.
#include "support/LiveUiSupport.h"
#include "support/MLTestMain.h"
#include "support/StandinFixture.h"
#include "support/ToastTexts.h"

#include "core/session/MLUserManager.h"
#include "live/ui/MLRegionSettingCellView.h"
#include "live/ui/MLRegionShowTipCellView.h"
#include "live/ui/MLRegionShowTipVC.h"
#include "live/ui/NSRegionComboBoxView.h"
#include "platform/kit/ui/MLApplicationModal.h"

#include <QJsonArray>
#include <QScrollBar>

using ml::test::StandinFixture;
using ml::test::startedRequests;
using namespace Qt::StringLiterals;

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

} // namespace

class TestRegion final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_standin.isRunning());
        m_standin.signInDemo();
    }

    void init() {
        server().clearFaults();
        server().clearReceivedRequests();
        server().state().account(kDemoId)->profile.regionCode = u"eastasia"_s;
        setAccount(u"eastasia"_s);
        // Let answers and deletions of the previous test go by.
        QTRY_COMPARE(startedRequests(kUpdatePath) + startedRequests(kListPath), 0);
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
        notes.show();
        QVERIFY(QTest::qWaitForWindowExposed(&notes));
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

    StandinFixture m_standin;
};

ML_TEST_MAIN(TestRegion)
#include "tst_region.moc"
