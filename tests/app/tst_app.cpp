#include "account/NSLoginForPwdVC.h"
#include "app/AppDelegate.h"
#include "app/MLFloatingWindow.h"
#include "app/MLMainSections.h"
#include "app/NSMainLeftToolBarView.h"
#include "app/NSMainVC.h"
#include "core/session/MLUserManager.h"
#include "live/engine/MLDBManager.h"
#include "live/engine/NormalTranslationHelp.h"
#include "live/ui/MLSubtitleTableView.h"
#include "live/ui/NSTranslationVC.h"
#include "platform/kit/MLModule.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLNotificationNames.h"
#include "support/LiveEngineHarness.h"
#include "support/MLTestMain.h"
#include "support/StandinFixture.h"
#include "support/TestFiles.h"
#include "support/ToastTexts.h"
#include "ui/widgets/MLSimultaneousInterpretationToolBarSonView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSessionManager>

using namespace Qt::StringLiterals;

namespace {
template <class Page> Page *contentPage(AppDelegate &delegate) {
    QWidget *content = delegate.contentView();
    return content ? content->findChild<Page *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

// Whether the module file `fileName` of the module folder is mapped into this process.
bool moduleMapped(const QString &fileName) {
    QFile maps(u"/proc/self/maps"_s);
    if (!maps.open(QIODevice::ReadOnly))
        return true; // unknown: the caller's check fails
    const QByteArray path = QDir(MLModule::folder()).filePath(fileName).toUtf8();
    return maps.readAll().contains(QByteArray(' ' + path + '\n'));
}
} // namespace

class TestApp : public QObject {
    Q_OBJECT
    std::unique_ptr<ml::test::StandinFixture> m_standin;

private Q_SLOTS:
    void initTestCase() {
        m_standin = std::make_unique<ml::test::StandinFixture>();
        QVERIFY(m_standin->isRunning());
    }
    void cleanup() { MLUserManager::sharedManager().logoutBlock(nullptr); }

    // With no session of the user's left in progress by an earlier process, the first account
    // answer only reads the user's folders: the history module (and SQLite) is not loaded. First of
    // the tests, before any of them needs the history.
    void firstAccountAnswerWithoutInterruptedSessionsLoadsNoHistory() {
        QVERIFY2(!moduleMapped(u"libml_history.so"_s), "loaded before the test");
        m_standin->signInDemo();
        AppDelegate delegate;
        qint64 consumerId = 0;
        delegate.requestMineNetworkSuccess(
            &delegate, [&consumerId](const MLMineModel &account) { consumerId = account.consumerId; }, {});
        QTRY_VERIFY(consumerId != 0);
        // The recovery's worker takes its work in turn: a later recovery ends after the answer's.
        QCOMPARE(ml::test::recoverAndWait(MLDBManager::getSharedInstance(), consumerId + 1), 0);
        QVERIFY(!moduleMapped(u"libml_history.so"_s));
    }

    // The session manager's request to save before the desktop session ends ends a running live
    // session as the quit does: the stop, the end-of-use report answered, the history row.
    void sessionManagerSaveRequestEndsLiveSessions() {
        ml::test::LiveEngineHarness<NormalTranslationHelp> h;
        AppDelegate delegate;
        delegate.applicationDidFinishLaunching();
        QVERIFY(h.startRunning());
        auto *manager = qApp->findChild<QSessionManager *>();
        QVERIFY(manager);
        Q_EMIT qApp->commitDataRequest(*manager);
        QCOMPARE(h.engine->state(), MLLiveEngine::State::Idle);
        QCOMPARE(h.statuses, (QList<bool>{true, false}));
        QCOMPARE(h.meter().endCount(), 1);
        QCOMPARE(h.rows().size(), 1);
    }

    void launchAndSignOutShowTheRightPage_data() {
        QTest::addColumn<bool>("signedIn");
        QTest::newRow("no user: sign-in page") << false;
        QTest::newRow("stored user: main page") << true;
    }
    void launchAndSignOutShowTheRightPage() {
        QFETCH(bool, signedIn);
        if (signedIn)
            m_standin->signInDemo();
        AppDelegate delegate;
        delegate.applicationDidFinishLaunching();
        QVERIFY(delegate.window()->isVisible());
        QVERIFY(!delegate.translationWindow()->isVisible());
        QCOMPARE(contentPage<NSMainVC>(delegate) != nullptr, signedIn);
        QCOMPARE(contentPage<NSLoginForPwdVC>(delegate) != nullptr, !signedIn);
        if (!signedIn)
            return;
        // Signing out rebuilds the window around the sign-in page.
        MLUserManager::sharedManager().logoutBlock(nullptr);
        MLNotificationCenter::defaultCenter().postNotificationName(MLNotificationNames::kUserLogout);
        QTRY_VERIFY(contentPage<NSLoginForPwdVC>(delegate) && !contentPage<NSMainVC>(delegate));
        QVERIFY(delegate.window()->isVisible());
    }

    void signInWithToken_data() {
        QTest::addColumn<bool>("valid");
        QTest::newRow("demo token signs in") << true;
        QTest::newRow("unknown token is refused") << false;
    }
    void signInWithToken() {
        QFETCH(bool, valid);
        AppDelegate delegate;
        delegate.applicationDidFinishLaunching();
        auto *login = contentPage<NSLoginForPwdVC>(delegate);
        QVERIFY(login);
        const QString token = valid ? m_standin->demoToken() : u"not-a-token"_s;
        login->tokenField()->setText(token);
        QTest::mouseClick(login->loginButton(), Qt::LeftButton);
        if (valid) {
            QTRY_VERIFY(contentPage<NSMainVC>(delegate));
            QCOMPARE(MLUserManager::sharedManager().currentUser()->token, token);
            QVERIFY(MLUserManager::sharedManager().currentMineUser());
        } else {
            // The service's message is shown and nothing is stored.
            QTRY_VERIFY(ml::test::toastTexts(delegate.contentView()).contains(u"登录已失效，请重新登录"_s));
            QTRY_VERIFY(contentPage<NSLoginForPwdVC>(delegate)->loginButton()->isEnabled());
            QVERIFY(!MLUserManager::sharedManager().currentUser());
        }
    }

    void balanceShownAndRefreshedOnNotification() {
        m_standin->signInDemo();
        StandinAccount *account = m_standin->server().state().accountForToken(m_standin->demoToken());
        QVERIFY(account);
        account->profile.balanceStr = u"120"_s;
        AppDelegate delegate;
        delegate.applicationDidFinishLaunching();
        auto *main = contentPage<NSMainVC>(delegate);
        QVERIFY(main);
        QTRY_COMPARE(main->leftBar()->balanceLabel()->text(), u"120点"_s);
        // Every balance is shown whole, left of the refresh icon, in a smaller font when it must be.
        QLabel *label = main->leftBar()->balanceLabel();
        for (const QString &balance : {u"95.5"_s, u"123456789012.55"_s}) {
            account->profile.balanceStr = balance;
            MLNotificationCenter::defaultCenter().postNotificationName(
                MLNotificationNames::kIndividualCenter);
            QTRY_COMPARE(label->text(), balance + u"点"_s);
            QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width());
            QVERIFY(label->geometry().right() < main->leftBar()->refreshImage()->geometry().left());
        }
        QVERIFY(label->font().pixelSize() < 14);
    }

    // The frameless floating window is resized from its edges and corners, never below 800 by 200, and
    // its caption rows wrap again at the new width.
    void floatingWindowResizesFromItsEdges_data() {
        QTest::addColumn<QPoint>("press"); // in the 800 by 200 window
        QTest::addColumn<QPoint>("delta");
        QTest::addColumn<QRect>("expected"); // relative to the window's first place
        QTest::newRow("bottom-right corner")
            << QPoint(798, 198) << QPoint(400, 100) << QRect(0, 0, 1200, 300);
        QTest::newRow("top-left corner, not below 800 by 200")
            << QPoint(2, 2) << QPoint(-50, 90) << QRect(-50, 0, 850, 200);
    }
    void floatingWindowResizesFromItsEdges() {
        QFETCH(QPoint, press);
        QFETCH(QPoint, delta);
        QFETCH(QRect, expected);
        MLFloatingWindow window;
        NSTranslationVC content;
        const QString caption =
            QStringList(60, u"字幕"_s).join(QString()) + u"\n"_s + QStringList(40, u"caption"_s).join(' ');
        content.setListData({caption});
        window.setContent(&content);
        window.move(300, 300);
        QVERIFY(ml::test::shown(&window));
        const QRect start = window.geometry();
        const int rowHeight = content.tableView()->rowHeight(0);
        QTest::mousePress(window.windowHandle(), Qt::LeftButton, {}, press);
        QTest::mouseMove(window.windowHandle(), press + delta);
        // Where the pointer now is in the window, which may have moved under it.
        QTest::mouseRelease(window.windowHandle(), Qt::LeftButton, {},
                            press + delta - (window.pos() - start.topLeft()));
        QTRY_COMPARE(window.geometry(), expected.translated(start.topLeft()));
        if (window.width() > start.width())
            QTRY_VERIFY(content.tableView()->rowHeight(0) < rowHeight);
        window.setContent(nullptr);
    }

    // Every entry of the main page builds its section page.
    void everySectionBuildsItsPage() {
        m_standin->signInDemo();
        AppDelegate delegate;
        delegate.applicationDidFinishLaunching();
        auto *main = contentPage<NSMainVC>(delegate);
        QVERIFY(main);
        const qsizetype sections = MLMainSections::factories().size();
        QCOMPARE(sections, 6);
        for (qint64 index = 1; index <= sections; ++index) {
            main->setRightViewForIndex(index);
            QVERIFY2(main->pageInView() && main->pageInView() == main->existingPage(index),
                     qPrintable(QString::number(index)));
        }
    }

    void shelterTakesTheClicksItCovers() {
        m_standin->signInDemo();
        AppDelegate delegate;
        delegate.applicationDidFinishLaunching();
        auto *main = contentPage<NSMainVC>(delegate);
        QTRY_COMPARE(main->seletedIndex(), 1);
        QVERIFY(QTest::qWaitForWindowExposed(delegate.window()));
        QWidget *entry = main->leftBar()->item(3);
        const QPoint inWindow = entry->mapTo(delegate.window(), entry->rect().center());

        QWidget *shelter = delegate.translationShelterView();
        QVERIFY(shelter && !shelter->isVisible());
        shelter->show();
        QTest::mouseClick(delegate.window()->windowHandle(), Qt::LeftButton, {}, inWindow);
        QCOMPARE(main->seletedIndex(), 1);

        shelter->hide();
        QTest::mouseClick(delegate.window()->windowHandle(), Qt::LeftButton, {}, inWindow);
        QTRY_COMPARE(main->seletedIndex(), 3);
    }

    // The history store only tells; the application shows its notice on the main window.
    void damagedHistoryIsToldOnTheWindow() {
        m_standin->signInDemo();
        AppDelegate delegate;
        delegate.applicationDidFinishLaunching();
        const QString path = MLDBManager::defaultDatabasePath();
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QVERIFY(ml::test::writeFile(path, QByteArray(8192, 'x')));
        QVERIFY(MLDBManager::getSharedInstance().findData());
        QTRY_VERIFY(
            ml::test::toastTexts(delegate.contentView()).join(u'\n').contains(u"历史记录文件已损坏"_s));
    }
};

ML_TEST_MAIN(TestApp)
#include "tst_app.moc"
