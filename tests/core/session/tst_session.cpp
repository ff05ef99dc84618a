#include "core/session/MLMinePageBaseModel.h"
#include "core/session/MLUserManager.h"
#include "platform/kit/MLKeyedArchive.h"
#include "platform/kit/MLUserDefaults.h"
#include "support/MLTestMain.h"

#include <QTemporaryDir>

namespace {
struct Row {
    QString name;
    ML_MODEL(Row, ML_FIELD(name))
};
struct RowList : MLPagedListModel<RowList, Row> {
    static constexpr const char *modelClassName() { return "RowList"; }
};
} // namespace

class TestSession : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void currentUserReadAfreshAndBadDataIsNothing() {
        MLUserDefaults defaults(m_dir.filePath(QStringLiteral("a.ini")));
        MLUserManager manager(defaults);
        QVERIFY(!manager.currentUser());
        manager.setCurrentUser(MLUserModel{QStringLiteral("tok")});
        QCOMPARE(manager.currentUser()->token, QStringLiteral("tok"));

        defaults.setData(QByteArray("not an archive"), QStringLiteral("currentUser"));
        QVERIFY(!manager.currentUser());
        defaults.setData(MLKeyedArchive::archivedData(Row{QStringLiteral("x")}),
                         QStringLiteral("currentUser"));
        QVERIFY(!manager.currentUser()); // an archive of another class is not a user
    }

    void logoutRemovesStoredUserButKeepsAccount() {
        MLUserDefaults defaults(m_dir.filePath(QStringLiteral("b.ini")));
        MLUserManager manager(defaults);
        QList<bool> results;
        manager.logoutBlock([&](bool ok) { results << ok; });
        manager.setCurrentUser(MLUserModel{QStringLiteral("tok")});
        manager.setCurrentMineUser(MLMineModel{{}, {}, {}, {}, 42, {}});
        manager.logoutBlock([&](bool ok) { results << ok; });
        QCOMPARE(results, QList<bool>({false, true}));
        QVERIFY(!manager.currentUser());
        QCOMPARE(manager.consumerId(), 42);
    }

    void pagedListMapsPagingAndList() {
        const auto page = ml::json::fromJson<RowList>(QByteArray(
            R"({"pageNum":2,"pages":5,"total":41,"hasNextPage":true,"nextPage":3,"list":[{"name":"a"},{"name":"b"}]})"));
        QVERIFY(page);
        QCOMPARE(page->pageNum, 2);
        QCOMPARE(page->total, 41);
        QVERIFY(page->hasNextPage);
        QVERIFY(!page->hasPreviousPage);
        QCOMPARE(page->list.size(), 2);
        QCOMPARE(page->list[1].name, QStringLiteral("b"));
    }
};

ML_TEST_MAIN(TestSession)
#include "tst_session.moc"
