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

using namespace Qt::StringLiterals;

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

const QString kTariffPath = u"/expense/getExpenseListForMac"_s;

} // namespace

class TestStatements : public QObject {
    Q_OBJECT
    std::unique_ptr<BillingHarness> m_harness;

    qint64 pageAsked(const QString &path) {
        return m_harness->server().lastRequest(path)->params.value(u"pageNum"_s).toInteger();
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

    // Next, previous, a typed page, nothing beyond the last, the page last asked for on refresh, and
    // a page outside the range shows the empty view.
    void pagesThroughThePager_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("pages");
        QTest::addColumn<QString>("outside");
        QTest::newRow("top-ups") << int(Kind::TopUp) << 23 << 3 << u"9"_s;
        QTest::newRow("consumption") << int(Kind::Consumption) << 37 << 4 << u"0"_s;
    }
    void pagesThroughThePager() {
        QFETCH(int, kind);
        QFETCH(int, total);
        QFETCH(int, pages);
        QFETCH(QString, outside);
        auto page = makeStatement(Kind(kind));
        const QString path = page->requestPath();
        NSPagingView *pager = page->pagingView();
        page->refreshData();
        QTRY_COMPARE(page->tableView()->numberOfRows(), 10);
        QCOMPARE(pageAsked(path), 1);
        QCOMPARE(pager->totalLabel()->text(), u"共%1条记录"_s.arg(total));
        QCOMPARE(pager->pagesLabel()->text(), u"共%1页"_s.arg(pages));
        QVERIFY(page->notDataView()->isHidden());
        if (Kind(kind) == Kind::TopUp) // "+200\n点" in the answer: the amount on one line
            QCOMPARE(rowAt(*page, 4)->consumptionLabel()->text(), u"+200点"_s);

        QTest::mouseClick(pager->nextButton(), Qt::LeftButton);
        QTRY_COMPARE(pager->pageField()->text(), u"2"_s);
        QCOMPARE(page->currentPageNum(), 2);
        QTest::mouseClick(pager->previousButton(), Qt::LeftButton);
        QTRY_COMPARE(pager->pageField()->text(), u"1"_s);

        jumpTo(*page, QString::number(pages));
        QTRY_COMPARE(page->tableView()->numberOfRows(), total - (pages - 1) * 10);
        const int requests = m_harness->requests(path);
        QTest::mouseClick(pager->nextButton(), Qt::LeftButton); // no next page: nothing asked
        page->refreshData();                                    // the page last asked for, not the first
        QTRY_COMPARE(m_harness->requests(path), requests + 1);
        QCOMPARE(pageAsked(path), pages);

        jumpTo(*page, outside);
        QTRY_VERIFY(!page->notDataView()->isHidden());
        QCOMPARE(m_harness->requests(path), requests + 2); // the click on "next" asked nothing
        QCOMPARE(pageAsked(path), outside.toInt());
        QCOMPARE(pager->pageField()->text(), outside);
    }

    // A failed page leaves what is shown and is asked for again by the next refresh.
    void failedPageKeepsRowsAndIsAskedAgain() {
        MLDetailsOfConsumptionView page;
        page.refreshData();
        QTRY_COMPARE(page.tableView()->numberOfRows(), 10);
        const QString firstRow = rowAt(page, 0)->operationLabel()->text();
        m_harness->server().injectFault(page.requestPath(), StandinFault::answer(u"DIA500"_s, u"系统繁忙"_s));
        QTest::mouseClick(page.pagingView()->nextButton(), Qt::LeftButton);
        QTRY_VERIFY(toastTexts(m_harness->contentView()).contains(u"系统繁忙"_s));
        QCOMPARE(page.currentPageNum(), 2);
        QCOMPARE(page.pagingView()->pageField()->text(), u"1"_s);
        QCOMPARE(rowAt(page, 0)->operationLabel()->text(), firstRow);
        page.refreshData();
        QTRY_COMPARE(page.pagingView()->pageField()->text(), u"2"_s);
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
        QCOMPARE(m_harness->server().lastRequest(kTariffPath)->body, QByteArray("{}")); // no envelope
        const QJsonDocument document = QJsonDocument::fromJson(dt);
        const QJsonValue answer =
            document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
        m_harness->server().route(kTariffPath,
                                  [answer](const StandinRequest &) { return StandinReply::success(answer); });
        page.refreshData();
        QTRY_COMPARE(m_harness->requests(kTariffPath), 2);
        QTRY_COMPARE(page.tableView()->numberOfRows(), rows);
        if (formatToast) // else the rows above came with the answer, and a toast with them
            QTRY_VERIFY(toastTexts(m_harness->contentView()).contains(u"数据格式异常"_s));
        else
            QVERIFY(toastTexts(m_harness->contentView()).isEmpty());
        QVERIFY(!page.findChild<NSNotDataView *>());
        if (rows == 1) {
            auto *cell = qobject_cast<MLTariffDescriptionCellView *>(page.tableView()->viewAtRow(0));
            QVERIFY(cell->iconImage()->imageURL().isEmpty()); // nothing to fetch
            QVERIFY(cell->iconImage()->isShowingPlaceholder());
        }
    }
};

ML_TEST_MAIN(TestStatements)
#include "tst_statements.moc"
