#include "support/MLTestMain.h"
#include "support/StandinFixture.h"

#include "app/AppDelegate.h"
#include "core/session/MLKeyedArchive.h"
#include "core/session/MLUserManager.h"
#include "live/ui/MLHelpSelectVC.h"
#include "live/ui/MLHighTranslationView.h"
#include "live/ui/MLLiveSettingsWindow.h"
#include "live/ui/MLLowpriceTranslationView.h"
#include "live/ui/MLNormalTranslationView.h"
#include "live/ui/MLSimultaneousInterpretationToolBarView.h"
#include "live/ui/MLSimultaneousInterpretationView.h"
#include "live/ui/MLSubtitleTableView.h"
#include "live/ui/MLTSRecognizeView.h"
#include "live/ui/NSTranslationComboBoxView.h"
#include "live/ui/NSTranslationIdentifySonView.h"
#include "live/ui/NSTranslationSonView.h"
#include "live/ui/NSTranslationVC.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLUserDefaults.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <memory>

namespace {

using Entry = MLMineLanguageListModel;

void store(const QString &key, const QString &code, const QString &name) {
    MLUserDefaults::standardUserDefaults().setData(MLKeyedArchive::archivedData(Entry{code, QString(), name}),
                                                   key);
}

bool waitForList(NSTranslationComboBoxView *picker) {
    return QTest::qWaitFor([picker] { return !picker->dataSource().isEmpty(); }, 5000);
}

} // namespace

class TestLivePages final : public QObject {
    Q_OBJECT
    std::unique_ptr<ml::test::StandinFixture> m_standin;
    std::unique_ptr<AppDelegate> m_app;

private Q_SLOTS:
    void initTestCase() {
        m_standin = std::make_unique<ml::test::StandinFixture>();
        QVERIFY(m_standin->isRunning());
        m_standin->signInDemo();
        m_app = std::make_unique<AppDelegate>();
        m_app->applicationDidFinishLaunching();
    }

    void init() {
        m_standin->signInDemo();
        m_app->setIsTranslation(false);
    }

    void highPrecisionPageShowsItsStoredPair() {
        store(QStringLiteral("MLHighTranslationViewLeft"), QStringLiteral("ja-JP"), QStringLiteral("日语"));
        store(QStringLiteral("MLHighTranslationViewRight"), QStringLiteral("fr"), QStringLiteral("法语"));
        MLHighTranslationView page;
        page.resize(1000, 600);
        NSTranslationSonView *bar = page.barView();
        QVERIFY(waitForList(bar->sourceLanguageView()));
        QVERIFY(waitForList(bar->targetLanguageView()));
        QCOMPARE(bar->sourceLanguageView()->comboBoxView()->currentText(), QStringLiteral("日语"));
        QCOMPARE(bar->targetLanguageView()->itemLanguage().languageCode, QStringLiteral("fr"));

        // No engine behind this page: the start image changes nothing.
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        QTest::mouseClick(page.startOrOverImage(), Qt::LeftButton);
        QCOMPARE(page.startOrOverImageName(), QStringLiteral("startImage_icon"));
        QVERIFY(!m_app->isTranslation());
    }

    void recognitionPageKeepsItsSourceLanguage() {
        store(QStringLiteral("MLTSRecognizeViewLeft"), QStringLiteral("ko-KR"), QStringLiteral("韩语"));
        MLTSRecognizeView page;
        NSTranslationIdentifySonView *bar = page.barView();
        QVERIFY(waitForList(bar->sourceLanguageView()));
        QCOMPARE(bar->sourceLanguageView()->comboBoxView()->currentText(), QStringLiteral("韩语"));
        QVERIFY(bar->findChildren<NSTranslationComboBoxView *>().size() == 1);
        QVERIFY(!MLUserDefaults::standardUserDefaults().hasKey(QStringLiteral("MLTSRecognizeViewRight")));
    }

    void floatingBackgroundFollowsTheSetting_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<qreal>("alpha");
        QTest::newRow("white chosen") << QStringLiteral("0.3") << 0.3;
        QTest::newRow("black chosen") << QStringLiteral("0.7") << 0.7;
        QTest::newRow("nothing stored") << QString() << 0.7;
        QTest::newRow("anything else") << QStringLiteral("0.30") << 0.7;
    }

    void floatingBackgroundFollowsTheSetting() {
        QFETCH(QString, value);
        QFETCH(qreal, alpha);
        auto &defaults = MLUserDefaults::standardUserDefaults();
        defaults.removeObjectForKey(QStringLiteral("NSUserDefaultsBgFloatKey"));
        NSTranslationVC vc;
        QCOMPARE(vc.bgAlpha(), 0.7);
        defaults.setString(value, QStringLiteral("NSUserDefaultsBgFloatKey"));
        QCOMPARE(vc.bgAlpha(), 0.7); // read only when told
        MLNotificationCenter::defaultCenter().postNotificationName(
            QStringLiteral("NotificationChangeBgFloatKey"));
        QCOMPARE(vc.bgAlpha(), alpha);
        NSTranslationVC fresh;
        QCOMPARE(fresh.bgAlpha(), alpha); // and when built
        defaults.removeObjectForKey(QStringLiteral("NSUserDefaultsBgFloatKey"));
    }

    void backReturnsToTheMainWindow() {
        auto vc = std::make_unique<NSTranslationVC>();
        QCOMPARE(vc->timeLabel()->text(), QStringLiteral("00:00:00"));
        m_app->setIsFloatingWindow(true);
        m_app->window()->close();
        m_app->setTranslationContent(vc.get());
        m_app->translationWindow()->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_app->translationWindow()));

        QTest::mouseClick(vc->settingImage(), Qt::LeftButton);
        MLLiveSettingsWindow *settings = vc->suspensionWindow();
        QVERIFY(settings->isVisible());
        QVERIFY(settings->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(qobject_cast<MLHelpSelectVC *>(settings->contentViewController()));

        QTest::mouseClick(vc->backButton(), Qt::LeftButton);
        QVERIFY(!settings->isVisible());
        QVERIFY(!m_app->isFloatingWindow());
        QVERIFY(m_app->window()->isVisible());
        QVERIFY(!m_app->translationWindow()->isVisible());
        m_app->setTranslationContent(nullptr);
    }

    void tierTabsNeedAUser_data() {
        QTest::addColumn<int>("tab");
        for (int tab = 2; tab <= 6; ++tab)
            QTest::newRow(qPrintable(QStringLiteral("tab %1").arg(tab))) << tab;
    }

    void tierTabsNeedAUser() {
        QFETCH(int, tab);
        MLSimultaneousInterpretationView section;
        QTRY_COMPARE(section.seletedIndex(), 1);
        MLUserManager::sharedManager().logoutBlock(nullptr);
        QObject observer;
        int logouts = 0;
        MLNotificationCenter::defaultCenter().addObserver(&observer, QStringLiteral("NotificationUSERLOGOUT"),
                                                          [&logouts](const MLNotification &) { ++logouts; });
        section.toolBar()->clickTab(tab);
        QCOMPARE(logouts, 1);
        QCOMPARE(section.seletedIndex(), 1);
        QCOMPARE(section.toolBar()->seletedView(), section.toolBar()->item(1));
        QVERIFY(!section.existingPage(tab));
    }

    void tierTabsShowTheirPages() {
        MLSimultaneousInterpretationView section;
        QTRY_COMPARE(section.seletedIndex(), 1);
        section.toolBar()->clickTab(2);
        QVERIFY(qobject_cast<MLHighTranslationView *>(section.pageInView()));
        section.toolBar()->clickTab(3);
        QVERIFY(qobject_cast<MLNormalTranslationView *>(section.pageInView()));
        section.toolBar()->clickTab(4);
        QVERIFY(qobject_cast<MLLowpriceTranslationView *>(section.pageInView()));
        section.toolBar()->clickTab(5);
        QVERIFY(qobject_cast<MLTSRecognizeView *>(section.pageInView()));
        section.toolBar()->clickTab(2);
        QCOMPARE(section.pageInView(), section.existingPage(2)); // kept, not made again
    }
};

ML_TEST_MAIN(TestLivePages)
#include "tst_livepages.moc"
