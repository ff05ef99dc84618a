// The history of live sessions: rows, "查看" and "删除", and what deleting may touch.
#include "support/MLTestMain.h"
#include "support/ToastTexts.h"

#include "app/AppDelegate.h"
#include "core/session/MLUserManager.h"
#include "live/engine/MLDBManager.h"
#include "live/ui/MLTSHistoryView.h"
#include "live/ui/NSSubtitleExportCellView.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/ui/MLAlert.h"
#include "platform/kit/ui/MLWorkspace.h"
#include "ui/widgets/NSNotDataView.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace {

constexpr qint64 kUserId = 4242;
const QString kDeleteNotice = QStringLiteral("NotificationChangeDeleteNoticeKey");

QString documents() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString absolute(const QString &relative) {
    return documents() + QLatin1Char('/') + relative;
}

// A folder holding one file, as a session (or anything else) leaves it.
bool makeFolder(const QString &absolutePath) {
    QFile file(absolutePath + QStringLiteral("/recording.txt"));
    return QDir().mkpath(absolutePath) && file.open(QIODevice::WriteOnly) && file.write("字幕") > 0;
}

bool folderIntact(const QString &absolutePath) {
    return QFile::exists(absolutePath + QStringLiteral("/recording.txt"));
}

QList<qint64> storedIds() {
    QList<qint64> ids;
    for (const HistoricalRecordModel &row :
         MLDBManager::getSharedInstance().findData().value_or(QList<HistoricalRecordModel>{}))
        ids.append(row.historicalId);
    return ids;
}

qint64 newestId() {
    const QList<qint64> ids = storedIds();
    return ids.isEmpty() ? -1 : ids.first();
}

class PostCounter final : public QObject {
public:
    PostCounter() {
        MLNotificationCenter::defaultCenter().addObserver(this, kDeleteNotice,
                                                          [this](const MLNotification &) { ++posts; });
    }
    int posts = 0;
};

} // namespace

class TestHistory final : public QObject {
    Q_OBJECT
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
        QVERIFY(MLDBManager::getSharedInstance().createDB());
    }

    void init() {
        MLWorkspace::clearRecordedCalls();
        MLAlert::clearNextResponses();
        MLAlert::clearLastAlert();
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
        const QStringList dates{QStringLiteral("1700000000000"), QStringLiteral("1700000100000"),
                                QStringLiteral("1700000200000"), QStringLiteral("1700000300000"),
                                QStringLiteral("1700000400000"), QStringLiteral("not a number")};
        const QList<qint64> types{1, 2, 3, 4, 5, 0};
        for (int i = 0; i < types.size(); ++i)
            QVERIFY(MLDBManager::getSharedInstance().saveData(sessionPath(i), types.at(i), dates.at(i)));
        MLTSHistoryView view;
        view.resize(900, 500);
        view.refreshData();
        QVERIFY(view.notDataView()->isHidden());
        QCOMPARE(view.rowViews().size(), 6);
        const QStringList names{"价低翻译", "价低翻译", "价低翻译", "高精翻译", "普通翻译", "语音识别"};
        for (int i = 0; i < 6; ++i) {
            NSSubtitleExportCellView *row = view.rowViews().at(i);
            const int saved = 5 - i; // newest first
            QCOMPARE(row->model().date, dates.at(saved));
            QCOMPARE(row->operationLabel()->text(), names.at(i));
            QCOMPARE(row->seletedLabel()->text(), QStringLiteral("查看"));
            QCOMPARE(row->deleteLabel()->text(), QStringLiteral("删除"));
        }
        QCOMPARE(
            view.rowViews().last()->timeLabel()->text(),
            QDateTime::fromMSecsSinceEpoch(1700000000000).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        QCOMPARE(view.rowViews().first()->timeLabel()->text(),
                 QDateTime::fromMSecsSinceEpoch(0).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    }

    void viewRevealsTheSessionFolder() {
        NSSubtitleExportCellView *row = oneRow(sessionPath(0), true);
        QTest::mouseClick(row->seletedLabel(), Qt::LeftButton);
        const auto calls = MLWorkspace::recordedCalls();
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls.first().kind, MLWorkspace::Call::Kind::RevealInFileViewer);
        QCOMPARE(calls.first().url, QUrl::fromLocalFile(absolute(sessionPath(0))));
        QVERIFY(ml::test::toastTexts(m_app->contentView()).isEmpty());
    }

    void viewOfAMissingFolderSaysItIsGone() {
        NSSubtitleExportCellView *row = oneRow(sessionPath(0), false);
        QTest::mouseClick(row->seletedLabel(), Qt::LeftButton);
        QVERIFY(MLWorkspace::recordedCalls().isEmpty());
        QCOMPARE(ml::test::toastTexts(m_app->contentView()), QStringList{QStringLiteral("文件已经不存在了")});
    }

    void cancelLeavesEverything() {
        NSSubtitleExportCellView *row = oneRow(sessionPath(0), true);
        const qint64 id = row->model().historicalId;
        PostCounter posts;
        MLAlert::setNextResponse(MLAlert::SecondButtonReturn);
        QTest::mouseClick(row->deleteLabel(), Qt::LeftButton);
        QTRY_COMPARE(MLAlert::pendingResponseCount(), 0);
        QCoreApplication::processEvents();
        QVERIFY(MLAlert::lastAlert());
        QCOMPARE(MLAlert::lastAlert()->messageText(), QStringLiteral("确定删除？"));
        QCOMPARE(MLAlert::lastAlert()->buttonTitles(),
                 (QStringList{QStringLiteral("确定"), QStringLiteral("取消")}));
        QCOMPARE(storedIds(), QList<qint64>{id});
        QVERIFY(folderIntact(absolute(sessionPath(0))));
        QCOMPARE(posts.posts, 0);
        QCOMPARE(m_view->rowViews().size(), 1);
        QVERIFY(ml::test::toastTexts(m_app->contentView()).isEmpty());
    }

    void deleteRemovesRowAndFolderAndReloads_data() {
        QTest::addColumn<bool>("folderPresent");
        QTest::newRow("folder present") << true;
        QTest::newRow("folder removed by hand") << false;
    }
    void deleteRemovesRowAndFolderAndReloads() {
        QFETCH(bool, folderPresent);
        QVERIFY(
            MLDBManager::getSharedInstance().saveData(sessionPath(1), 2, QStringLiteral("1700000000000")));
        QVERIFY(makeFolder(absolute(sessionPath(1))));
        const qint64 keptId = newestId();
        NSSubtitleExportCellView *row = oneRow(sessionPath(0), folderPresent);
        QCOMPARE(m_view->rowViews().size(), 2);
        const qint64 id = row->model().historicalId;
        PostCounter posts;
        MLAlert::setNextResponse(MLAlert::FirstButtonReturn);
        QTest::mouseClick(row->deleteLabel(), Qt::LeftButton);
        QTRY_COMPARE(posts.posts, 1);
        QVERIFY(!storedIds().contains(id));
        QCOMPARE(storedIds(), QList<qint64>{keptId});
        QVERIFY(!QFileInfo::exists(absolute(sessionPath(0))));
        QVERIFY(folderIntact(absolute(sessionPath(1))));
        QCOMPARE(ml::test::toastTexts(m_app->contentView()), QStringList{QStringLiteral("删除成功")});
        // The list has read the store again.
        QCOMPARE(m_view->rowViews().size(), 1);
        QCOMPARE(m_view->rowViews().first()->model().historicalId, keptId);
        QVERIFY(m_view->notDataView()->isHidden());
    }

    void deletingTheLastRowShowsTheEmptyState() {
        NSSubtitleExportCellView *row = oneRow(sessionPath(0), true);
        MLAlert::setNextResponse(MLAlert::FirstButtonReturn);
        QTest::mouseClick(row->deleteLabel(), Qt::LeftButton);
        QTRY_VERIFY(m_view->rowViews().isEmpty());
        QVERIFY(!m_view->notDataView()->isHidden());
    }

    void storedPathOutsideTheHistoryFolderIsNotFollowed_data() {
        QTest::addColumn<QString>("storedPath");
        QTest::addColumn<QString>("victim"); // relative to Documents
        QTest::newRow("dot-dot out of the user folder")
            << QStringLiteral("historicalRecord/4242/../../Projects") << QStringLiteral("Projects");
        QTest::newRow("dot-dot out of Documents")
            << QStringLiteral("../Pictures") << QStringLiteral("../Pictures");
        QTest::newRow("absolute path lands under Documents")
            << QStringLiteral("/Notes/2024") << QStringLiteral("Notes/2024");
        QTest::newRow("another user's session")
            << QStringLiteral("historicalRecord/7/2024-05-01/1714521600000")
            << QStringLiteral("historicalRecord/7/2024-05-01/1714521600000");
        QTest::newRow("the whole history folder")
            << QStringLiteral("historicalRecord/4242") << QStringLiteral("historicalRecord/4242");
        QTest::newRow("the history folder with a trailing slash")
            << QStringLiteral("historicalRecord/4242/") << QStringLiteral("historicalRecord/4242");
        QTest::newRow("Documents itself") << QStringLiteral("") << QStringLiteral("historicalRecord/4242");
        QTest::newRow("link out of the history folder")
            << QStringLiteral("historicalRecord/4242/2024-05-01/link") << QStringLiteral("../Music");
    }
    void storedPathOutsideTheHistoryFolderIsNotFollowed() {
        QFETCH(QString, storedPath);
        QFETCH(QString, victim);
        // A real session of the user exists too, so the history folder is there.
        QVERIFY(makeFolder(absolute(sessionPath(3))));
        QVERIFY(makeFolder(absolute(victim)));
        if (storedPath.endsWith(QStringLiteral("/link"))) {
            QVERIFY(QDir().mkpath(absolute(QStringLiteral("historicalRecord/4242/2024-05-01"))));
            QVERIFY(QFile::link(QDir::cleanPath(absolute(victim)), absolute(storedPath)));
        }
        NSSubtitleExportCellView *row = oneRow(storedPath, false);
        const qint64 id = row->model().historicalId;
        PostCounter posts;
        MLAlert::setNextResponse(MLAlert::FirstButtonReturn);
        QTest::mouseClick(row->deleteLabel(), Qt::LeftButton);
        QTRY_COMPARE(posts.posts, 1);
        QVERIFY(folderIntact(absolute(victim)));
        QVERIFY(folderIntact(absolute(sessionPath(3))));
        // The history row itself goes: the user asked to delete it.
        QVERIFY(!storedIds().contains(id));
        QCOMPARE(ml::test::toastTexts(m_app->contentView()), QStringList{QStringLiteral("删除成功")});
        QDir(QDir::cleanPath(absolute(victim))).removeRecursively();
    }

    void removableFolderIsInsideTheUsersHistory_data() {
        QTest::addColumn<QString>("storedPath");
        QTest::addColumn<bool>("removable");
        QTest::newRow("session folder") << sessionPath(0) << true;
        QTest::newRow("session folder, absolute form") << QLatin1Char('/') + sessionPath(0) << true;
        QTest::newRow("session folder via dot-dot inside")
            << QStringLiteral("historicalRecord/4242/2024-05-01/../2024-05-01/") +
                   sessionPath(0).section('/', 3)
            << true;
        QTest::newRow("missing folder") << QStringLiteral("historicalRecord/4242/2024-01-01/1") << false;
        QTest::newRow("prefix lookalike") << QStringLiteral("historicalRecord/42420/2024-01-01/1") << false;
    }
    void removableFolderIsInsideTheUsersHistory() {
        QFETCH(QString, storedPath);
        QFETCH(bool, removable);
        QVERIFY(makeFolder(absolute(sessionPath(0))));
        QVERIFY(makeFolder(absolute(QStringLiteral("historicalRecord/42420/2024-01-01/1"))));
        const auto folder = NSSubtitleExportCellView::removableSessionFolder(storedPath, kUserId);
        QCOMPARE(folder.has_value(), removable);
        if (removable)
            QCOMPARE(*folder, QFileInfo(absolute(sessionPath(0))).canonicalFilePath());
    }

    void cleanupTestCase() {
        m_view.reset();
        m_app.reset();
    }

private:
    // A session folder of the test user, as the engines name them.
    static QString sessionPath(int i) {
        return QStringLiteral("historicalRecord/%1/2024-05-0%2/17145216%3000")
            .arg(kUserId)
            .arg(i + 1)
            .arg(i, 2, 10, QLatin1Char('0'));
    }

    // Stores a row for `storedPath` (with its folder when asked), shows the history list and returns
    // the newest row view.
    NSSubtitleExportCellView *oneRow(const QString &storedPath, bool withFolder) {
        if (withFolder && !makeFolder(absolute(storedPath)))
            return nullptr;
        if (!MLDBManager::getSharedInstance().saveData(storedPath, 3, QStringLiteral("1714521660000")))
            return nullptr;
        m_view = std::make_unique<MLTSHistoryView>();
        m_view->resize(900, 500);
        m_view->show();
        m_view->refreshData();
        if (m_view->rowViews().isEmpty() || !QTest::qWaitForWindowExposed(m_view.get()))
            return nullptr;
        return m_view->rowViews().first();
    }

    std::unique_ptr<AppDelegate> m_app;
    std::unique_ptr<MLTSHistoryView> m_view;
};

ML_TEST_MAIN(TestHistory)
#include "tst_history.moc"
