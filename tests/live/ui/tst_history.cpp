// The history of live sessions: rows, "查看" and "删除", and what deleting may touch.
#include "support/MLTestMain.h"
#include "support/TestFiles.h"
#include "support/ToastTexts.h"

#include "app/AppDelegate.h"
#include "core/session/MLUserManager.h"
#include "live/engine/MLDBManager.h"
#include "live/ui/MLTSHistoryView.h"
#include "live/ui/NSSubtitleExportCellView.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLNotificationNames.h"
#include "platform/kit/ui/MLAlert.h"
#include "platform/kit/ui/MLWorkspace.h"
#include "ui/widgets/NSNotDataView.h"

#include <QDir>
#include <QPainter>

#include <ctime>

using namespace ml::test;
using namespace Qt::StringLiterals;

namespace {

constexpr qint64 kUserId = 4242;

// A folder holding one file, as a session (or anything else) leaves it.
bool makeFolder(const QString &absolutePath) {
    return QDir().mkpath(absolutePath) && writeFile(absolutePath + u"/recording.txt"_s, "字幕");
}

bool folderIntact(const QString &absolutePath) {
    return QFile::exists(absolutePath + u"/recording.txt"_s);
}

// The lowest row of `area` in `image` with a pixel other than `background`; -1 when there is none.
int lowestInk(const QImage &image, const QRect &area, QColor background) {
    for (int y = area.bottom(); y >= area.top(); --y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) != background)
                return y;
    return -1;
}

// Where a label's text stands: the row of its baseline, found from its ink in `image` and from how far
// below the baseline the same text reaches when drawn onto a known baseline.
int baselineOf(const QLabel *label, const QImage &image) {
    QImage reference(label->width() + 20, 3 * label->height(), QImage::Format_ARGB32_Premultiplied);
    reference.fill(Qt::white);
    const int baseline = label->height();
    QPainter painter(&reference);
    painter.setFont(label->font());
    painter.setPen(label->palette().color(label->foregroundRole()));
    painter.drawText(QPoint(0, baseline), label->text());
    painter.end();
    const int below = lowestInk(reference, reference.rect(), Qt::white) - baseline;
    return lowestInk(image, label->geometry(), Qt::white) - below;
}

QList<qint64> storedIds() {
    QList<qint64> ids;
    for (const HistoricalRecordModel &row :
         MLDBManager::getSharedInstance().findData().value_or(QList<HistoricalRecordModel>{}))
        ids.append(row.historicalId);
    return ids;
}

} // namespace

class TestHistory final : public QObject {
    Q_OBJECT
public:
    TestHistory() {
        // UTC+8 all year, no daylight saving: the zone the row times are checked in.
        qputenv("TZ", "CST-8");
        tzset();
    }

private Q_SLOTS:
    void initTestCase() {
        MLWorkspace::setRecorder(true);
        MLUserManager::sharedManager().logoutBlock([](bool) {});
        MLMineModel account;
        account.consumerId = kUserId;
        MLUserManager::sharedManager().setCurrentMineUser(account);
        m_app = std::make_unique<AppDelegate>();
        m_app->creatUI(); // the window whose content view takes the toasts
        QVERIFY(m_app->contentView());
        // The shared store leaves its file alone until it is first used: the first reading makes it.
        const QString file = MLDBManager::defaultDatabasePath();
        QFile::remove(file);
        MLDBManager &store = MLDBManager::getSharedInstance();
        QVERIFY(!QFile::exists(file));
        QVERIFY(store.findData());
        QVERIFY(QFile::exists(file));
    }

    void init() {
        MLWorkspace::clearRecordedCalls();
        MLAlert::clearNextResponses();
        for (qint64 id : storedIds())
            MLDBManager::getSharedInstance().deleteData(id);
        QDir(documents()).removeRecursively();
        QDir().mkpath(documents());
        MLDBManager::getSharedInstance().createDB();
        // Let the toasts of the previous test go.
        for (MBProgressHUD *hud : m_app->contentView()->findChildren<MBProgressHUD *>())
            delete hud;
    }

    void rowsNewestFirstWithTierAndStopTime() {
        const QStringList dates{u"1700000000000"_s, u"1700000100000"_s, u"1700000200000"_s,
                                u"1700000300000"_s, u"1700000400000"_s, u"not a number"_s};
        for (int i = 0; i < dates.size(); ++i)
            QVERIFY(MLDBManager::getSharedInstance().saveData(sessionPath(i), (i + 1) % 6, dates.at(i)));
        MLTSHistoryView view;
        view.refreshData();
        QVERIFY(view.notDataView()->isHidden());
        QStringList names;
        for (NSSubtitleExportCellView *row : view.rowViews())
            names << row->operationLabel()->text();
        QCOMPARE(names, (QStringList{u"价低翻译"_s, u"价低翻译"_s, u"价低翻译"_s, u"高精翻译"_s,
                                     u"普通翻译"_s, u"语音识别"_s}));
        QCOMPARE(view.rowViews().last()->timeLabel()->text(), u"2023-11-15 06:13:20"_s);
        QCOMPARE(view.rowViews().first()->timeLabel()->text(), u"1970-01-01 08:00:00"_s);
    }

    // The tier, the stop time, "查看" and "删除" stand on one baseline, whatever fonts draw them.
    void rowLabelsShareOneBaseline() {
        NSSubtitleExportCellView *row = oneRow(sessionPath(0), false);
        QVERIFY(row);
        const QImage image = row->grab().toImage();
        const int baseline = baselineOf(row->operationLabel(), image);
        QVERIFY(baseline > 0);
        QCOMPARE(baselineOf(row->timeLabel(), image), baseline);
        QCOMPARE(baselineOf(row->seletedLabel(), image), baseline);
        QCOMPARE(baselineOf(row->deleteLabel(), image), baseline);
    }

    void viewRevealsTheSessionFolder_data() {
        QTest::addColumn<bool>("folderPresent");
        QTest::addColumn<bool>("viewer"); // a file manager can be started
        QTest::addColumn<QString>("toast");
        QTest::newRow("folder present") << true << true << QString();
        QTest::newRow("folder gone") << false << true << u"文件已经不存在了"_s;
        QTest::newRow("no file manager")
            << true << false << u"无法打开文件管理器，文件夹在："_s + inDocuments(sessionPath(0));
    }
    void viewRevealsTheSessionFolder() {
        QFETCH(bool, folderPresent);
        QFETCH(bool, viewer);
        NSSubtitleExportCellView *row = oneRow(sessionPath(0), folderPresent);
        QVERIFY(row);
        // Without the recorder the desktop is really asked; with no launcher on the path (and none in
        // the test's platform) nothing can open the folder.
        const QByteArray path = qgetenv("PATH");
        QTemporaryDir emptyBin;
        MLWorkspace::setRecorder(viewer);
        if (!viewer)
            qputenv("PATH", QFile::encodeName(emptyBin.path()));
        QTest::mouseClick(row->seletedLabel(), Qt::LeftButton);
        qputenv("PATH", path);
        MLWorkspace::setRecorder(true);
        const auto calls = MLWorkspace::recordedCalls();
        QCOMPARE(calls.size(), folderPresent && viewer ? 1 : 0);
        if (!calls.isEmpty()) {
            QCOMPARE(calls.first().kind, MLWorkspace::Call::Kind::RevealInFileViewer);
            QCOMPARE(calls.first().url, QUrl::fromLocalFile(inDocuments(sessionPath(0))));
        }
        QFETCH(QString, toast);
        QCOMPARE(toastTexts(m_app->contentView()), toast.isEmpty() ? QStringList() : QStringList{toast});
    }

    // "删除" asks first: cancelling leaves everything; confirming removes the row and its folder (one
    // removed by hand too) and the list reads the store again.
    void deleteAsksThenRemovesRowAndFolder_data() {
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<bool>("folderPresent");
        QTest::addColumn<bool>("lastRow");
        QTest::newRow("cancel") << false << true << false;
        QTest::newRow("folder present") << true << true << false;
        QTest::newRow("folder removed by hand") << true << false << false;
        QTest::newRow("the last row") << true << true << true;
    }
    void deleteAsksThenRemovesRowAndFolder() {
        QFETCH(bool, confirm);
        QFETCH(bool, folderPresent);
        QFETCH(bool, lastRow);
        if (!lastRow) {
            QVERIFY(MLDBManager::getSharedInstance().saveData(sessionPath(1), 2, u"1700000000000"_s));
            QVERIFY(makeFolder(inDocuments(sessionPath(1))));
        }
        NSSubtitleExportCellView *row = oneRow(sessionPath(0), folderPresent);
        const qint64 id = row->model().historicalId;
        const qsizetype rows = storedIds().size();
        QCOMPARE(clickDelete(row, confirm), confirm ? 1 : 0);
        QCOMPARE(storedIds().contains(id), !confirm);
        QCOMPARE(storedIds().size(), confirm ? rows - 1 : rows);
        QCOMPARE(QFileInfo::exists(inDocuments(sessionPath(0))), !confirm);
        QCOMPARE(folderIntact(inDocuments(sessionPath(1))), !lastRow);
        QCOMPARE(toastTexts(m_app->contentView()), confirm ? QStringList{u"删除成功"_s} : QStringList());
        QCOMPARE(m_view->rowViews().size(), storedIds().size());
        QCOMPARE(m_view->notDataView()->isHidden(), !lastRow);
    }

    void storedPathOutsideTheHistoryFolderIsNotFollowed_data() {
        QTest::addColumn<QString>("storedPath");
        QTest::addColumn<QString>("victim"); // relative to Documents
        QTest::newRow("dot-dot out of the user folder")
            << u"historicalRecord/4242/../../Projects"_s << u"Projects"_s;
        QTest::newRow("dot-dot out of Documents") << u"../Pictures"_s << u"../Pictures"_s;
        QTest::newRow("absolute path lands under Documents") << u"/Notes/2024"_s << u"Notes/2024"_s;
        QTest::newRow("another user's session") << u"historicalRecord/7/2024-05-01/1714521600000"_s
                                                << u"historicalRecord/7/2024-05-01/1714521600000"_s;
        QTest::newRow("the whole history folder") << u"historicalRecord/4242"_s << u"historicalRecord/4242"_s;
        QTest::newRow("the history folder with a trailing slash")
            << u"historicalRecord/4242/"_s << u"historicalRecord/4242"_s;
        QTest::newRow("Documents itself") << u""_s << u"historicalRecord/4242"_s;
        QTest::newRow("link out of the history folder")
            << u"historicalRecord/4242/2024-05-01/link"_s << u"../Music"_s;
    }
    void storedPathOutsideTheHistoryFolderIsNotFollowed() {
        QFETCH(QString, storedPath);
        QFETCH(QString, victim);
        // A real session of the user exists too, so the history folder is there.
        QVERIFY(makeFolder(inDocuments(sessionPath(3))));
        QVERIFY(makeFolder(inDocuments(victim)));
        if (storedPath.endsWith(u"/link"_s)) {
            QVERIFY(QDir().mkpath(inDocuments(u"historicalRecord/4242/2024-05-01"_s)));
            QVERIFY(QFile::link(QDir::cleanPath(inDocuments(victim)), inDocuments(storedPath)));
        }
        NSSubtitleExportCellView *row = oneRow(storedPath, false);
        const qint64 id = row->model().historicalId;
        QCOMPARE(clickDelete(row, true), 1);
        QVERIFY(folderIntact(inDocuments(victim)));
        QVERIFY(folderIntact(inDocuments(sessionPath(3))));
        // The history row itself goes: the user asked to delete it.
        QVERIFY(!storedIds().contains(id));
    }

    void removableFolderIsInsideTheUsersHistory_data() {
        QTest::addColumn<QString>("storedPath");
        QTest::addColumn<bool>("removable");
        QTest::newRow("session folder") << sessionPath(0) << true;
        QTest::newRow("session folder, absolute form") << QLatin1Char('/') + sessionPath(0) << true;
        QTest::newRow("session folder via dot-dot inside")
            << u"historicalRecord/4242/2024-05-01/../2024-05-01/"_s + sessionPath(0).section('/', 3) << true;
        QTest::newRow("missing folder") << u"historicalRecord/4242/2024-01-01/1"_s << false;
        QTest::newRow("prefix lookalike") << u"historicalRecord/42420/2024-01-01/1"_s << false;
    }
    void removableFolderIsInsideTheUsersHistory() {
        QFETCH(QString, storedPath);
        QFETCH(bool, removable);
        QVERIFY(makeFolder(inDocuments(sessionPath(0))));
        QVERIFY(makeFolder(inDocuments(u"historicalRecord/42420/2024-01-01/1"_s)));
        const auto folder = NSSubtitleExportCellView::removableSessionFolder(storedPath, kUserId);
        QCOMPARE(folder.has_value(), removable);
        if (removable)
            QCOMPARE(*folder, QFileInfo(inDocuments(sessionPath(0))).canonicalFilePath());
    }

    void cleanupTestCase() {
        m_view.reset();
        m_app.reset();
    }

private:
    // A session folder of the test user, as the engines name them.
    static QString sessionPath(int i) {
        return u"historicalRecord/%1/2024-05-0%2/17145216%3000"_s.arg(kUserId).arg(i + 1).arg(
            i, 2, 10, QLatin1Char('0'));
    }

    // Stores a row for `storedPath` (with its folder when asked), shows the history list and returns
    // the newest row view.
    NSSubtitleExportCellView *oneRow(const QString &storedPath, bool withFolder) {
        if (withFolder && !makeFolder(inDocuments(storedPath)))
            return nullptr;
        if (!MLDBManager::getSharedInstance().saveData(storedPath, 3, u"1714521660000"_s))
            return nullptr;
        m_view = std::make_unique<MLTSHistoryView>();
        m_view->resize(900, 500);
        m_view->show();
        m_view->refreshData();
        if (m_view->rowViews().isEmpty() || !QTest::qWaitForWindowExposed(m_view.get()))
            return nullptr;
        return m_view->rowViews().first();
    }

    // Clicks "删除" of `row` and answers its alert; returns how many deletion notices were posted.
    static int clickDelete(NSSubtitleExportCellView *row, bool confirm) {
        int posts = 0;
        QObject observer;
        MLNotificationCenter::defaultCenter().addObserver(&observer, MLNotificationNames::kChangeDeleteNotice,
                                                          [&posts](const MLNotification &) { ++posts; });
        MLAlert::setNextResponse(confirm ? MLAlert::FirstButtonReturn : MLAlert::SecondButtonReturn);
        QTest::mouseClick(row->deleteLabel(), Qt::LeftButton);
        const auto answered = [&] { return MLAlert::pendingResponseCount() == 0 && (!confirm || posts > 0); };
        if (!QTest::qWaitFor(answered, 5000))
            return -1;
        QCoreApplication::processEvents();
        return posts;
    }

    std::unique_ptr<AppDelegate> m_app;
    std::unique_ptr<MLTSHistoryView> m_view;
};

ML_TEST_MAIN(TestHistory)
#include "tst_history.moc"
