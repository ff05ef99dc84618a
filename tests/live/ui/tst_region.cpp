// The speech-region row: preselection, reporting picks to the service, and the region notes.
#include "support/MLTestMain.h"
#include "support/StandinFixture.h"
#include "support/ToastTexts.h"

#include "core/net/MLEncryptOperation.h"
#include "core/net/MLNetRequestManager.h"
#include "core/security/SecurityCore.h"
#include "core/session/MLUserManager.h"
#include "live/ui/MLRegionSettingCellView.h"
#include "live/ui/MLRegionShowTipCellView.h"
#include "live/ui/MLRegionShowTipVC.h"
#include "live/ui/NSRegionComboBoxView.h"
#include "platform/http/MLHttpTransport.h"
#include "platform/kit/ui/MLApplicationModal.h"

#include <QJsonArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QScrollBar>

using ml::test::StandinFixture;

namespace {

const QString kListPath = QStringLiteral("/meInfo/getAzureVoiceRegionList");
const QString kUpdatePath = QStringLiteral("/meInfo/updateRegionCode");
constexpr qint64 kDemoId = 10001;

MLRegionModel region(const QString &code, bool isDefault = false, const QString &desc = {}) {
    MLRegionModel model;
    model.regionCode = code;
    model.regionExplain = code + QStringLiteral(" 区域");
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
    return account ? account->regionCode : QStringLiteral("<no account>");
}

// Requests of `path` that the application has started and that are still in flight or just
// finished. A request is started synchronously by the call that sends it, so checking right after an
// action tells exactly whether that action sent one.
int startedRequests(const QString &path) {
    int count = 0;
    for (QNetworkReply *reply : MLHttpTransport::shared().network()->findChildren<QNetworkReply *>()) {
        if (reply->url().path() == path)
            ++count;
    }
    return count;
}

} // namespace

class TestRegion final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        m_standin = std::make_unique<StandinFixture>();
        QVERIFY(m_standin->isRunning());
        m_standin->signInDemo();
    }

    void init() {
        server().clearFaults();
        server().clearReceivedRequests();
        server().state().account(kDemoId)->profile.regionCode = QStringLiteral("eastasia");
        setAccount(QStringLiteral("eastasia"));
        // Let answers and deletions of the previous test go by.
        QTRY_COMPARE(startedRequests(kUpdatePath) + startedRequests(kListPath), 0);
    }

    void regionModelReadsDescriptionKey() {
        const auto list = ml::json::arrayFromJson<MLRegionModel>(QByteArrayLiteral(
            R"([{"regionCode":"eastasia","regionExplain":"东亚","description":"香港","defaultRegion":true},)"
            R"({"regionCode":"westus2","regionExplain":"美西","desc":"ignored"}])"));
        QCOMPARE(list.size(), 2);
        QCOMPARE(list.at(0).desc, QStringLiteral("香港"));
        QVERIFY(list.at(0).defaultRegion);
        QCOMPARE(list.at(1).desc, QString());
        QVERIFY(!list.at(1).defaultRegion);
    }

    void preselectionSendsNothing_data() {
        QTest::addColumn<std::optional<QString>>("account");
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<int>("shown");
        const QStringList list{QStringLiteral("a"), QStringLiteral("b*"), QStringLiteral("c"),
                               QStringLiteral("d")};
        QTest::newRow("account code in list") << std::optional<QString>(QStringLiteral("c")) << list << 2;
        QTest::newRow("account code is the default")
            << std::optional<QString>(QStringLiteral("b")) << list << 1;
        QTest::newRow("no code: default") << std::optional<QString>(QString()) << list << 1;
        QTest::newRow("no account details: default") << std::optional<QString>() << list << 1;
        QTest::newRow("no code, no default: first")
            << std::optional<QString>(QString()) << QStringList{QStringLiteral("a"), QStringLiteral("b")}
            << 0;
        QTest::newRow("no code, two defaults: first flagged")
            << std::optional<QString>(QString())
            << QStringList{QStringLiteral("a"), QStringLiteral("b*"), QStringLiteral("c*")} << 1;
        QTest::newRow("unknown code: first, not the default")
            << std::optional<QString>(QStringLiteral("mars")) << list << 0;
    }
    void preselectionSendsNothing() {
        QFETCH(std::optional<QString>, account);
        QFETCH(QStringList, codes);
        QFETCH(int, shown);
        setAccount(account);
        NSRegionComboBoxView picker;
        picker.setDataList(regions(codes));
        QCOMPARE(startedRequests(kUpdatePath), 0);
        QCOMPARE(picker.seletedIndex(), shown);
        QCOMPARE(picker.comboBoxView()->currentIndex(), shown);
        QCOMPARE(picker.comboBoxView()->currentText(), picker.dataList().at(shown).regionExplain);
        QCOMPARE(picker.comboBoxView()->count(), codes.size());
        // Picking the row already shown sends nothing either.
        picker.comboBoxView()->setCurrentIndex(shown);
        QCOMPARE(startedRequests(kUpdatePath), 0);
    }

    void emptyListSelectsNoRow() {
        NSRegionComboBoxView picker;
        picker.setDataList({});
        QCOMPARE(picker.comboBoxView()->currentIndex(), -1);
        QCOMPARE(picker.seletedIndex(), 0);
        QCOMPARE(startedRequests(kUpdatePath), 0);
    }

    void eachRealChangeSendsOneUpdate() {
        NSRegionComboBoxView picker;
        picker.setDataList(serviceRegions());
        const int japan = indexOf(picker.dataList(), QStringLiteral("japaneast"));
        const int europe = indexOf(picker.dataList(), QStringLiteral("westeurope"));
        QVERIFY(japan > 0 && europe > 0);

        picker.comboBoxView()->setCurrentIndex(japan);
        QCOMPARE(startedRequests(kUpdatePath), 1);
        QCOMPARE(picker.seletedIndex(), japan);
        QTRY_COMPARE(accountCode(), QStringLiteral("japaneast"));
        QCOMPARE(server().receivedRequests(kUpdatePath).size(), 1);
        QCOMPARE(server().lastRequest(kUpdatePath)->params,
                 QJsonObject({{QStringLiteral("regionCode"), QStringLiteral("japaneast")}}));

        picker.comboBoxView()->setCurrentIndex(japan); // the row shown
        QCOMPARE(startedRequests(kUpdatePath), 0);

        picker.comboBoxView()->setCurrentIndex(europe);
        QCOMPARE(startedRequests(kUpdatePath), 1);
        QTRY_COMPARE(accountCode(), QStringLiteral("westeurope"));
        QCOMPARE(server().receivedRequests(kUpdatePath).size(), 2);

        // A later picker preselects the new region and sends nothing.
        NSRegionComboBoxView later;
        later.setDataList(serviceRegions());
        QCOMPARE(later.comboBoxView()->currentIndex(), europe);
        QCOMPARE(startedRequests(kUpdatePath), 0);

        // The service keeps it on the account: the account answer carries it.
        QCOMPARE(server().state().account(kDemoId)->profile.regionCode, QStringLiteral("westeurope"));
        QCOMPARE(meInfoRegionCode(), QStringLiteral("westeurope"));
    }

    void failedUpdateKeepsTheOldAccountCode_data() {
        QTest::addColumn<bool>("knownRegion");
        QTest::addColumn<QString>("message"); // empty: the service's own
        QTest::newRow("service busy") << true << QStringLiteral("系统繁忙");
        QTest::newRow("region the service does not offer") << false << QString();
    }
    void failedUpdateKeepsTheOldAccountCode() {
        QFETCH(bool, knownRegion);
        QFETCH(QString, message);
        NSRegionComboBoxView picker;
        picker.resize(240, 30);
        picker.setDataList(knownRegion ? serviceRegions()
                                       : QList<MLRegionModel>{region(QStringLiteral("eastasia")),
                                                              region(QStringLiteral("mars"))});
        const int pick = knownRegion ? indexOf(picker.dataList(), QStringLiteral("koreacentral")) : 1;
        if (!message.isEmpty())
            server().injectFault(kUpdatePath, StandinFault::answer(QStringLiteral("DIA500"), message));
        picker.comboBoxView()->setCurrentIndex(pick);
        QTRY_VERIFY(!ml::test::toastTexts(&picker).isEmpty());
        if (!message.isEmpty())
            QCOMPARE(ml::test::toastTexts(&picker), QStringList{message});
        QCOMPARE(server().state().account(kDemoId)->profile.regionCode, QStringLiteral("eastasia"));
        QCOMPARE(accountCode(), QStringLiteral("eastasia"));
        // The picker keeps showing the pick; a new picker shows the account's region again.
        QCOMPARE(picker.seletedIndex(), pick);
        QCOMPARE(picker.comboBoxView()->currentIndex(), pick);
        NSRegionComboBoxView later;
        later.setDataList(serviceRegions());
        QCOMPARE(later.comboBoxView()->currentIndex(), indexOf(later.dataList(), QStringLiteral("eastasia")));
    }

    void acceptedRegionOutlivesThePicker() {
        // A settings table reloaded while the update is on its way destroys the picker; the account must
        // still take the region the service accepted (not lose or blank it).
        server().injectFault(kUpdatePath, StandinFault::delay(150));
        auto picker = std::make_unique<NSRegionComboBoxView>();
        picker->setDataList(serviceRegions());
        picker->comboBoxView()->setCurrentIndex(indexOf(picker->dataList(), QStringLiteral("uksouth")));
        picker.reset();
        QTRY_COMPARE(accountCode(), QStringLiteral("uksouth"));
    }

    void regionRowFetchesTheListAndShowsTheNotesIcon() {
        setAccount(QStringLiteral("southeastasia"));
        MLRegionSettingCellView row;
        QCOMPARE(row.titleLabel()->text(), QStringLiteral("区域设置"));
        QVERIFY(row.regionQueryImageView()->isHidden());
        QCOMPARE(startedRequests(kListPath), 1);
        QTRY_COMPARE(row.dataList().size(), serviceRegions().size());
        QVERIFY(!row.regionQueryImageView()->isHidden());
        QCOMPARE(row.regionComboBoxView()->dataList().size(), row.dataList().size());
        QCOMPARE(row.regionComboBoxView()->comboBoxView()->currentIndex(),
                 indexOf(row.dataList(), QStringLiteral("southeastasia")));
        QCOMPARE(server().receivedRequests(kUpdatePath).size(), 0);
        QCOMPARE(startedRequests(kUpdatePath), 0);
    }

    void failedListShowsItsMessageAndNoIcon() {
        server().injectFault(kListPath,
                             StandinFault::answer(QStringLiteral("DIA500"), QStringLiteral("系统繁忙")));
        MLRegionSettingCellView row;
        row.resize(800, 100);
        QTRY_COMPARE(ml::test::toastTexts(&row), QStringList{QStringLiteral("系统繁忙")});
        QVERIFY(row.regionQueryImageView()->isHidden());
        QVERIFY(row.dataList().isEmpty());
        QCOMPARE(row.regionComboBoxView()->comboBoxView()->count(), 0);
    }

    void notesOpenApplicationModally() {
        MLRegionSettingCellView row;
        QTRY_VERIFY(!row.dataList().isEmpty());
        QPointer<MLRegionShowTipVC> seen;
        int seenRows = -1;
        bool seenModal = false;
        QTimer::singleShot(0, this, [&] {
            seen = qobject_cast<MLRegionShowTipVC *>(MLApplicationModal::modalWindow());
            if (seen) {
                seenRows = seen->numberOfRowsInTableView();
                seenModal = seen->isVisible() && seen->isWindow();
                seen->close();
            }
            // What the application delegate does whenever a window closes.
            MLApplicationModal::stopModal();
        });
        row.regionQueryClick();
        QVERIFY(seenModal);
        QCOMPARE(seenRows, int(row.dataList().size()));
        QVERIFY(!MLApplicationModal::isRunning());
        QTRY_VERIFY(seen.isNull()); // made anew on each click, gone once closed
    }

    void noteRowsFollowTheirText() {
        MLRegionShowTipVC notes;
        const QString longNote = QStringLiteral("数据中心位于荷兰，适合在欧洲大陆使用。").repeated(12);
        notes.setDataList({region(QStringLiteral("a")),
                           region(QStringLiteral("b"), false, QStringLiteral("短说明")),
                           region(QStringLiteral("c"), false, longNote)});
        QCOMPARE(notes.numberOfRowsInTableView(), 3);
        QVERIFY(notes.heightOfRow(1) > notes.heightOfRow(0));
        QVERIFY(notes.heightOfRow(2) > notes.heightOfRow(1));
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(notes.viewForRow(i)->titleLabel()->text(), notes.dataList().at(i).regionExplain);
            QCOMPARE(notes.viewForRow(i)->descLabel()->text(), notes.dataList().at(i).desc);
            QCOMPARE(notes.viewForRow(i)->height(), notes.heightOfRow(i));
        }
    }

    void notesScrollWhenRowsOutgrowTheWindow() {
        MLRegionShowTipVC notes;
        QList<MLRegionModel> list;
        for (int i = 0; i < 12; ++i)
            list.append(region(QString::number(i), false, QStringLiteral("一段说明文字。").repeated(4)));
        notes.setDataList(list);
        notes.show();
        QVERIFY(QTest::qWaitForWindowExposed(&notes));
        QTRY_VERIFY(notes.scrollView()->verticalScrollBar()->maximum() > 0);

        notes.setDataList({region(QStringLiteral("x"))});
        QCOMPARE(notes.numberOfRowsInTableView(), 1);
        QTRY_COMPARE(notes.scrollView()->verticalScrollBar()->maximum(), 0);
    }

    void cleanupTestCase() { m_standin.reset(); }

private:
    StandinServer &server() { return m_standin->server(); }

    QList<MLRegionModel> serviceRegions() {
        return ml::json::arrayFromJson<MLRegionModel>(
            server().state().fixture(QStringLiteral("regions")).toObject().value(QStringLiteral("regions")));
    }

    static int indexOf(const QList<MLRegionModel> &list, const QString &code) {
        for (qsizetype i = 0; i < list.size(); ++i) {
            if (list.at(i).regionCode == code)
                return int(i);
        }
        return -1;
    }

    QString meInfoRegionCode() {
        QString code = QStringLiteral("<no answer>");
        bool done = false;
        QObject context;
        MLNetRequestManager::sharedService().postUrl(
            QStringLiteral("/meInfo/getMeInfo"), QString(),
            [&](const QJsonObject &answer) {
                const auto account =
                    ml::json::fromJson<MLMineModel>(SecurityCore::decryptString(answer.value("dt")));
                code = account ? account->regionCode : QStringLiteral("<bad answer>");
                done = true;
            },
            [&](const QString &message, const QString &) {
                code = message;
                done = true;
            },
            &context);
        if (!QTest::qWaitFor([&] { return done; }))
            return QStringLiteral("<timeout>");
        return code;
    }

    std::unique_ptr<StandinFixture> m_standin;
};

ML_TEST_MAIN(TestRegion)
#include "tst_region.moc"
