#include "support/MLTestMain.h"
#include "support/StandinFixture.h"

#include "app/AppDelegate.h"
#include "core/session/MLKeyedArchive.h"
#include "live/ui/MLHelpSelectVC.h"
#include "live/ui/MLLiveSettingsWindow.h"
#include "live/ui/NSTranslationComboBoxView.h"
#include "live/ui/NSTranslationIdentifySonView.h"
#include "live/ui/NSTranslationSonView.h"
#include "platform/kit/MLUserDefaults.h"
#include "platform/kit/ui/MLApplicationModal.h"
#include "ui/widgets/MBProgressHUD.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <memory>

namespace {

using Entry = MLMineLanguageListModel;
const QString kKey = QStringLiteral("MLBarTest");

void store(const QString &key, const QString &code, const QString &name) {
    MLUserDefaults::standardUserDefaults().setData(MLKeyedArchive::archivedData(Entry{code, QString(), name}),
                                                   key);
}

std::optional<Entry> stored(const QString &key) {
    return MLKeyedArchive::unarchivedObjectOfClass<Entry>(
        MLUserDefaults::standardUserDefaults().dataForKey(key));
}

bool listsArrived(const QList<NSTranslationComboBoxView *> &pickers) {
    return QTest::qWaitFor(
        [&pickers] {
            for (const NSTranslationComboBoxView *picker : pickers)
                if (picker->dataSource().isEmpty())
                    return false;
            return true;
        },
        5000);
}

} // namespace

class TestControlBar final : public QObject {
    Q_OBJECT
    std::unique_ptr<ml::test::StandinFixture> m_standin;
    std::unique_ptr<AppDelegate> m_app;

    // A bar given the stored pair the way the pages give it.
    std::unique_ptr<NSTranslationSonView> makeBar() {
        auto bar = std::make_unique<NSTranslationSonView>();
        bar->setLanguageKey(kKey);
        bar->setLeftItem(NSTranslationComboBoxView::storedLanguage(kKey + QStringLiteral("Left")));
        bar->setRightItem(NSTranslationComboBoxView::storedLanguage(kKey + QStringLiteral("Right")));
        return bar;
    }

private Q_SLOTS:
    void initTestCase() {
        m_standin = std::make_unique<ml::test::StandinFixture>();
        QVERIFY(m_standin->isRunning());
        m_standin->signInDemo();
        m_app = std::make_unique<AppDelegate>();
        m_app->applicationDidFinishLaunching();
    }

    void init() {
        m_app->setIsTranslation(false);
        store(kKey + QStringLiteral("Left"), QStringLiteral("en-US"), QStringLiteral("英语"));
        store(kKey + QStringLiteral("Right"), QStringLiteral("ja"), QStringLiteral("日语"));
        m_standin->server().clearReceivedRequests();
    }

    void pickersGetTheStoredPairAndTheirSides() {
        auto bar = makeBar();
        QVERIFY(listsArrived({bar->sourceLanguageView(), bar->targetLanguageView()}));
        QCOMPARE(bar->sourceLanguageView()->comboBoxView()->currentText(), QStringLiteral("英语"));
        QCOMPARE(bar->sourceLanguageView()->itemLanguage().languageCode, QStringLiteral("en-US"));
        QCOMPARE(bar->targetLanguageView()->itemLanguage().languageCode, QStringLiteral("ja"));
        QVERIFY(bar->sourceLanguageView()->isSourceLanguage());
        QVERIFY(!bar->targetLanguageView()->isSourceLanguage());
        QCOMPARE(bar->timeLabel()->text(), QStringLiteral("00:00:00"));
        const auto requests =
            m_standin->server().receivedRequests(QStringLiteral("/transLangue/getLanguageList"));
        QCOMPARE(requests.size(), 2);
        QCOMPARE(requests[0].params.value(QStringLiteral("languageType")).toInt(), 11);
        QCOMPARE(requests[1].params.value(QStringLiteral("languageType")).toInt(), 12);
    }

    void swapRefusedWhileRunningAndAppliedAfter() {
        auto bar = makeBar();
        QVERIFY(listsArrived({bar->sourceLanguageView(), bar->targetLanguageView()}));
        const QList<Entry> sourceList = bar->sourceLanguageView()->dataSource();
        const QList<Entry> targetList = bar->targetLanguageView()->dataSource();
        bar->resize(900, 50);
        bar->show();
        QVERIFY(QTest::qWaitForWindowExposed(bar.get()));

        m_app->setIsTranslation(true);
        QTest::mouseClick(bar->changeImage(), Qt::LeftButton);
        MBProgressHUD *toast = MBProgressHUD::HUDForView(m_app->contentView());
        QVERIFY(toast);
        QCOMPARE(toast->label()->text(), QStringLiteral("正在翻译，不允许修改"));
        QTest::qWait(100);
        QVERIFY(
            m_standin->server().receivedRequests(QStringLiteral("/transLangue/switchLanguage")).isEmpty());
        QCOMPARE(bar->sourceLanguageView()->itemLanguage().languageCode, QStringLiteral("en-US"));
        QTRY_VERIFY_WITH_TIMEOUT(!MBProgressHUD::HUDForView(m_app->contentView()), 3000); // 1.0 s toast

        m_app->setIsTranslation(false);
        QTest::mouseClick(bar->changeImage(), Qt::LeftButton);
        QTRY_COMPARE(bar->sourceLanguageView()->itemLanguage().languageCode, QStringLiteral("ja-JP"));
        QTRY_COMPARE(bar->targetLanguageView()->itemLanguage().languageCode, QStringLiteral("en"));
        const auto request = m_standin->server().lastRequest(QStringLiteral("/transLangue/switchLanguage"));
        QVERIFY(request);
        QCOMPARE(request->params.value(QStringLiteral("fromCode")).toString(), QStringLiteral("en-US"));
        QCOMPARE(request->params.value(QStringLiteral("fromCodeName")).toString(), QStringLiteral("英语"));
        QCOMPARE(request->params.value(QStringLiteral("toCode")).toString(), QStringLiteral("ja"));
        QCOMPARE(request->params.value(QStringLiteral("toCodeName")).toString(), QStringLiteral("日语"));

        // Each picker shows the new pair; the lists are untouched.
        QCOMPARE(bar->sourceLanguageView()->comboBoxView()->currentText(), QStringLiteral("日语"));
        QCOMPARE(bar->targetLanguageView()->comboBoxView()->currentText(), QStringLiteral("英语"));
        QCOMPARE(bar->sourceLanguageView()->dataSource(), sourceList);
        QCOMPARE(bar->targetLanguageView()->dataSource(), targetList);
        QCOMPARE(stored(kKey + QStringLiteral("Left"))->languageCode, QStringLiteral("ja-JP"));
        QCOMPARE(stored(kKey + QStringLiteral("Right"))->languageCode, QStringLiteral("en"));
    }

    void runningStateLocksThePickers_data() {
        QTest::addColumn<bool>("identify");
        QTest::newRow("two-language bar") << false;
        QTest::newRow("recognition-only bar") << true;
    }

    void runningStateLocksThePickers() {
        QFETCH(bool, identify);
        std::unique_ptr<MLLiveBarView> bar;
        if (identify)
            bar = std::make_unique<NSTranslationIdentifySonView>();
        else
            bar = std::make_unique<NSTranslationSonView>();
        QList<NSTranslationComboBoxView *> pickers = bar->findChildren<NSTranslationComboBoxView *>();
        QCOMPARE(pickers.size(), identify ? 1 : 2);
        for (const bool running : {true, false}) {
            m_app->setIsTranslation(running);
            bar->startOrOverBtnClick();
            for (NSTranslationComboBoxView *picker : pickers)
                QCOMPARE(picker->comboBoxBtn()->isVisibleTo(picker), running);
        }
    }

    void settingsWindowRunsModallyUntilClosed() {
        auto bar = makeBar();
        MLLiveSettingsWindow *window = bar->helpWindow();
        QCOMPARE(bar->helpWindow(), window);
        QPointer<QWidget> previousContent;
        for (int run = 0; run < 2; ++run) {
            bool wasModal = false;
            QPointer<QWidget> content;
            QTimer::singleShot(50, window, [window, &wasModal, &content] {
                wasModal = MLApplicationModal::modalWindow() == window && window->isVisible();
                content = window->contentViewController();
                window->close(); // closing any window ends the modal run
            });
            QTest::mouseClick(bar->settingImage(), Qt::LeftButton);
            QVERIFY(wasModal);
            QVERIFY(qobject_cast<MLHelpSelectVC *>(content.data()));
            QVERIFY(!MLApplicationModal::isRunning());
            QVERIFY(!window->isVisible());
            QCOMPARE(bar->helpWindow(), window); // kept for the next time
            // Each opening shows fresh settings.
            QVERIFY(!previousContent);
            previousContent = content;
        }
    }
};

ML_TEST_MAIN(TestControlBar)
#include "tst_controlbar.moc"
