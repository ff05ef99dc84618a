#include "MLBillingTestSupport.h"

#include "StandinBillingRoutes.h"
#include "billing/MLBillingTableView.h"
#include "billing/MLDetailsOfConsumptionView.h"
#include "billing/MLTariffDescriptionCellView.h"
#include "billing/MLTariffDescriptionContentView.h"
#include "billing/MLTopUpDetailsView.h"
#include "billing/NSDetailsOfConsumptionCellView.h"
#include "billing/NSTopupDetailsViewCellView.h"
#include "platform/imageloader/MLWebImageView.h"
#include "support/MLTestMain.h"
#include "ui/widgets/NSNotDataView.h"
#include "ui/widgets/NSPagingView.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QPushButton>

using ml::test::BillingHarness;
using ml::test::toastTexts;

namespace {

enum class Kind { TopUp, Consumption };

std::unique_ptr<MLStatementView> makeStatement(Kind kind) {
    if (kind == Kind::TopUp)
        return std::make_unique<MLTopUpDetailsView>();
    return std::make_unique<MLDetailsOfConsumptionView>();
}

MLStatementCellView *rowAt(MLStatementView &page, int row) {
    return qobject_cast<MLStatementCellView *>(page.tableView()->viewAtRow(row));
}

QJsonObject paramsOf(StandinServer &server, const QString &path) {
    return server.lastRequest(path)->params;
}

const QString kTariffPath = QStringLiteral("/expense/getExpenseListForMac");

} // namespace

class TestStatements : public QObject {
    Q_OBJECT
    std::unique_ptr<BillingHarness> m_harness;

    QJsonArray fixtureRows(const QString &name) {
        return m_harness->server()
            .state()
            .fixture(QStringLiteral("statements"))
            .toObject()
            .value(QStringLiteral("accounts"))
            .toObject()
            .value(QStringLiteral("10001"))
            .toObject()
            .value(name)
            .toArray();
    }

    // Waits for the answer to the request just made.
    void waitForAnswer(MLStatementView &page, int requestsBefore) {
        QTRY_COMPARE(m_harness->requests(page.requestPath()), requestsBefore + 1);
        QTest::qWait(30);
    }

    void jumpTo(MLStatementView &page, const QString &typed) {
        page.pagingView()->pageField()->setText(typed);
        QTest::mouseClick(page.pagingView()->jumpButton(), Qt::LeftButton);
    }

private Q_SLOTS:
    void initTestCase() {
        m_harness = std::make_unique<BillingHarness>();
        QVERIFY(m_harness->isRunning());
    }
    void init() {
        m_harness->reset();
        m_harness->signInDemo();
    }
    void cleanup() {
        StandinBillingRoutes::install(m_harness->server());
        m_harness->signOut();
    }

    void pagesThroughThePager_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("pages");
        QTest::newRow("top-ups") << int(Kind::TopUp) << 23 << 3;
        QTest::newRow("consumption") << int(Kind::Consumption) << 37 << 4;
    }
    void pagesThroughThePager() {
        QFETCH(int, kind);
        QFETCH(int, total);
        QFETCH(int, pages);
        auto page = makeStatement(Kind(kind));
        const QString path = page->requestPath();
        NSPagingView *pager = page->pagingView();
        page->refreshData();
        QTRY_COMPARE(page->tableView()->numberOfRows(), 10);
        QCOMPARE(paramsOf(m_harness->server(), path), QJsonDocument::fromJson(R"({"pageNum":1})").object());
        QCOMPARE(pager->totalLabel()->text(), QStringLiteral("共%1条记录").arg(total));
        QCOMPARE(pager->pagesLabel()->text(), QStringLiteral("共%1页").arg(pages));
        QCOMPARE(pager->pageField()->text(), QStringLiteral("1"));
        QVERIFY(page->notDataView()->isHidden());

        QTest::mouseClick(pager->nextButton(), Qt::LeftButton);
        QTRY_COMPARE(pager->pageField()->text(), QStringLiteral("2"));
        QCOMPARE(page->currentPageNum(), 2);
        QTest::mouseClick(pager->previousButton(), Qt::LeftButton);
        QTRY_COMPARE(pager->pageField()->text(), QStringLiteral("1"));

        jumpTo(*page, QString::number(pages));
        QTRY_COMPARE(page->tableView()->numberOfRows(), total - (pages - 1) * 10);
        QCOMPARE(pager->pageField()->text(), QString::number(pages));
        const int requests = m_harness->requests(path);
        QTest::mouseClick(pager->nextButton(), Qt::LeftButton); // no next page: nothing asked
        QTest::qWait(30);
        QCOMPARE(m_harness->requests(path), requests);

        page->refreshData(); // the page last asked for, not the first
        waitForAnswer(*page, requests);
        QCOMPARE(paramsOf(m_harness->server(), path).value(QStringLiteral("pageNum")).toInteger(), pages);
    }

    void pageOutsideTheRangeShowsEmptyView_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("typed");
        QTest::newRow("top-ups, beyond the last") << int(Kind::TopUp) << QStringLiteral("9");
        QTest::newRow("consumption, zero") << int(Kind::Consumption) << QStringLiteral("0");
    }
    void pageOutsideTheRangeShowsEmptyView() {
        QFETCH(int, kind);
        QFETCH(QString, typed);
        auto page = makeStatement(Kind(kind));
        page->refreshData();
        QTRY_COMPARE(page->tableView()->numberOfRows(), 10);
        jumpTo(*page, typed);
        QTRY_VERIFY(!page->notDataView()->isHidden());
        QCOMPARE(
            paramsOf(m_harness->server(), page->requestPath()).value(QStringLiteral("pageNum")).toInteger(),
            typed.toLongLong());
        QCOMPARE(page->tableView()->numberOfRows(), 0);
        QCOMPARE(page->pagingView()->pageField()->text(), typed);
        QVERIFY(page->pagingView()->totalLabel()->text() != QStringLiteral("共0条记录"));
    }

    void topUpRows() {
        MLTopUpDetailsView page;
        page.refreshData();
        QTRY_COMPARE(page.tableView()->numberOfRows(), 10);
        const QJsonArray fixture = fixtureRows(QStringLiteral("recharges"));
        for (int row = 0; row < 10; ++row) {
            const QJsonObject expected = fixture.at(row).toObject();
            MLStatementCellView *cell = rowAt(page, row);
            QCOMPARE(cell->operationLabel()->text(),
                     expected.value(QStringLiteral("rechargeTypeStr")).toString());
            QCOMPARE(cell->startTimeLabel()->text(),
                     expected.value(QStringLiteral("createTimeStr")).toString());
            QCOMPARE(cell->timeLabel()->text(), QStringLiteral("充值成功"));
            QVERIFY(!cell->consumptionLabel()->text().contains(QLatin1Char('\n')));
        }
        QCOMPARE(fixture.at(4).toObject().value(QStringLiteral("rechargeMoneyStr")).toString(),
                 QStringLiteral("+200\n点"));
        QCOMPARE(rowAt(page, 4)->consumptionLabel()->text(), QStringLiteral("+200点"));
    }

    void consumptionRows() {
        MLDetailsOfConsumptionView page;
        page.refreshData();
        QTRY_COMPARE(page.tableView()->numberOfRows(), 10);
        const QJsonObject expected = fixtureRows(QStringLiteral("expenses")).at(0).toObject();
        MLStatementCellView *cell = rowAt(page, 0);
        QCOMPARE(cell->operationLabel()->text(), expected.value(QStringLiteral("orderName")).toString());
        QCOMPARE(cell->consumptionLabel()->text(),
                 expected.value(QStringLiteral("consumeMoneyStr")).toString());
        QCOMPARE(cell->startTimeLabel()->text(), expected.value(QStringLiteral("startDateStr")).toString());
        QCOMPARE(cell->timeLabel()->text(), expected.value(QStringLiteral("translateTime")).toString());
    }

    // A failed page leaves what is shown and is asked for again by the next refresh.
    void failedPageKeepsRowsAndIsAskedAgain() {
        MLDetailsOfConsumptionView page;
        page.refreshData();
        QTRY_COMPARE(page.tableView()->numberOfRows(), 10);
        const QString firstRow = rowAt(page, 0)->operationLabel()->text();
        m_harness->server().injectFault(
            page.requestPath(), StandinFault::answer(QStringLiteral("DIA500"), QStringLiteral("系统繁忙")));
        QTest::mouseClick(page.pagingView()->nextButton(), Qt::LeftButton);
        QTRY_VERIFY(toastTexts(m_harness->contentView()).contains(QStringLiteral("系统繁忙")));
        QCOMPARE(page.currentPageNum(), 2);
        QCOMPARE(page.pagingView()->pageField()->text(), QStringLiteral("1"));
        QCOMPARE(rowAt(page, 0)->operationLabel()->text(), firstRow);
        page.refreshData();
        QTRY_COMPARE(page.pagingView()->pageField()->text(), QStringLiteral("2"));
    }

    void accountWithoutStatements() {
        MLUserManager::sharedManager().setCurrentUser(
            MLUserModel{m_harness->server().state().issueToken(10002)});
        MLTopUpDetailsView page;
        page.refreshData();
        QTRY_VERIFY(page.dataModel().has_value());
        QVERIFY(!page.notDataView()->isHidden());
        QVERIFY(!page.pagingView()->isHidden());
        QCOMPARE(page.pagingView()->totalLabel()->text(), QStringLiteral("共0条记录"));
    }

    void tariffsInAnswerOrder() {
        MLTariffDescriptionContentView page;
        QVERIFY(!page.dataList());
        page.refreshData();
        QTRY_COMPARE(page.tableView()->numberOfRows(), 6);
        QCOMPARE(m_harness->server().lastRequest(kTariffPath)->body, QByteArray("{}")); // no envelope
        const QStringList titles{QStringLiteral("高精翻译"), QStringLiteral("普通翻译"),
                                 QStringLiteral("价低翻译"), QStringLiteral("语音识别"),
                                 QStringLiteral("文档翻译"), QStringLiteral("音频转写")};
        for (int row = 0; row < titles.size(); ++row) {
            auto *cell = qobject_cast<MLTariffDescriptionCellView *>(page.tableView()->viewAtRow(row));
            QCOMPARE(cell->modeLabel()->text(), titles[row]);
        }
        auto *first = qobject_cast<MLTariffDescriptionCellView *>(page.tableView()->viewAtRow(0));
        QCOMPARE(first->chargingLabel()->text(),
                 QStringLiteral("1.5点/分钟，识别与翻译准确率最高，适合会议与讲座"));
        QCOMPARE(first->iconImage()->placeholderName(), QStringLiteral("123"));
        QTRY_VERIFY(!first->iconImage()->isShowingPlaceholder());
    }

    void tariffAnswers_data() {
        QTest::addColumn<QByteArray>("dt");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("formatToast");
        QTest::newRow("empty list: empty table, no message") << QByteArray("[]") << 0 << false;
        QTest::newRow("no icon: placeholder")
            << QByteArray(R"([{"title":"高精翻译","explains":"1点"}])") << 1 << false;
        QTest::newRow("not a list") << QByteArray(R"({"title":"x"})") << 6 << true;
    }
    void tariffAnswers() {
        QFETCH(QByteArray, dt);
        QFETCH(int, rows);
        QFETCH(bool, formatToast);
        MLTariffDescriptionContentView page;
        page.refreshData();
        QTRY_COMPARE(page.tableView()->numberOfRows(), 6);
        const QJsonDocument document = QJsonDocument::fromJson(dt);
        const QJsonValue answer =
            document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
        m_harness->server().route(kTariffPath,
                                  [answer](const StandinRequest &) { return StandinReply::success(answer); });
        page.refreshData();
        QTRY_COMPARE(m_harness->requests(kTariffPath), 2);
        QTRY_COMPARE(page.tableView()->numberOfRows(), rows);
        QTRY_COMPARE(toastTexts(m_harness->contentView()).contains(QStringLiteral("数据格式异常")),
                     formatToast);
        QVERIFY(!page.findChild<NSNotDataView *>());
        if (rows == 1) {
            auto *cell = qobject_cast<MLTariffDescriptionCellView *>(page.tableView()->viewAtRow(0));
            QTest::qWait(50);
            QVERIFY(cell->iconImage()->isShowingPlaceholder());
            QCOMPARE(cell->iconImage()->assetName(), QStringLiteral("123"));
        }
    }
};

ML_TEST_MAIN(TestStatements)
#include "tst_statements.moc"
