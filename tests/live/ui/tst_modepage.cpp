#include "support/LiveEngineHarness.h"
#include "support/LivePageSupport.h"
#include "support/MLTestMain.h"

#include "app/AppDelegate.h"
#include "live/engine/LowpriceTranslationHelp.h"
#include "live/engine/NormalTranslationHelp.h"
#include "live/ui/MLLowpriceTranslationView.h"
#include "live/ui/MLMicrosoftCellView.h"
#include "live/ui/MLNormalTranslationView.h"
#include "live/ui/MLSubtitleTableView.h"
#include "live/ui/NSTranslationComboBoxView.h"
#include "live/ui/NSTranslationSonView.h"
#include "live/ui/NSTranslationVC.h"
#include "platform/kit/MLKeyedArchive.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLUserDefaults.h"
#include "ui/util/MLUtilsTools.h"

#include <QLabel>
#include <QPushButton>

#include <memory>

using namespace ml::test;

namespace {

QString elapsedText(qint64 seconds) {
    return MLUtilsTools::getMMSSFromSS(QString::number(seconds));
}

void storePair(const QString &pageKey) {
    storeLanguagePair(pageKey);
    auto &defaults = MLUserDefaults::standardUserDefaults();
    defaults.setString(QStringLiteral("小"), QStringLiteral("NSUserDefaultsFontSizeKey"));
    defaults.synchronize();
}

// One tier's page on its own engine against the stand-in, inside a launched application.
template <class Engine, class Page> struct PageBench {
    LiveEngineHarness<Engine> h;
    AppDelegate app;
    std::unique_ptr<Page> page;

    explicit PageBench(const QString &pageKey) {
        app.applicationDidFinishLaunching();
        storePair(pageKey);
        page = std::make_unique<Page>(*h.engine);
        page->resize(1039, 673);
        page->show();
    }

    bool ready() { return QTest::qWaitForWindowExposed(page.get()) && waitForLanguageLists(page->barView()); }

    bool pickersLocked() const {
        NSTranslationSonView *bar = page->barView();
        return bar->sourceLanguageView()->comboBoxBtn()->isVisibleTo(bar) &&
               bar->targetLanguageView()->comboBoxBtn()->isVisibleTo(bar);
    }
    bool pickersFree() const {
        NSTranslationSonView *bar = page->barView();
        return !bar->sourceLanguageView()->comboBoxBtn()->isVisibleTo(bar) &&
               !bar->targetLanguageView()->comboBoxBtn()->isVisibleTo(bar);
    }
    bool shelterShown() const { return app.translationShelterView()->isVisibleTo(app.window()); }
    void click(QWidget *widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    // A finished sentence as the tier's recognizer reports it (the low-price tier recognises only and
    // translates each sentence itself).
    void sentence(const QString &text, const QString &translation) {
        if constexpr (std::is_same_v<Engine, LowpriceTranslationHelp>)
            h.recognized(result(MLSpeechRecognitionResult::RecognizedSpeech, text, {}));
        else
            h.recognized(result(MLSpeechRecognitionResult::TranslatedSpeech, text,
                                {{QStringLiteral("en"), translation}}));
    }
};

} // namespace

class TestModePage final : public QObject {
    Q_OBJECT

    template <class Engine, class Page> void startAndStop(const QString &pageKey) {
        PageBench<Engine, Page> b(pageKey);
        QVERIFY(b.ready());
        Page &page = *b.page;
        QCOMPARE(page.pageKey(), pageKey);
        QCOMPARE(page.barView()->languageKey(), pageKey);
        QCOMPARE(page.startOrOverImageName(), QStringLiteral("startImage_icon"));
        QVERIFY(page.showTipLabel()->isVisible());
        QCOMPARE(page.showTipLabel()->text(), MLTranslationModeView::tipText());

        b.click(page.startOrOverImage());
        // Nothing changes with the click itself.
        QCOMPARE(page.startOrOverImageName(), QStringLiteral("startImage_icon"));
        QVERIFY(page.showTipLabel()->isVisible());
        QVERIFY(!b.shelterShown());
        QVERIFY(b.pickersFree());
        QVERIFY(!b.app.isTranslation());

        QTRY_VERIFY(b.app.isTranslation());
        QCOMPARE(b.h.engine->from(), QStringLiteral("zh-CN"));
        QCOMPARE(b.h.engine->to(), QStringLiteral("en"));
        QCOMPARE(page.startOrOverImageName(), QStringLiteral("overImage_icon"));
        QVERIFY(!page.showTipLabel()->isVisible());
        QVERIFY(b.shelterShown());
        QVERIFY(b.pickersLocked());

        QVERIFY(b.h.tick(3));
        const QString elapsed = elapsedText(b.h.engine->totalTime());
        QVERIFY(b.h.engine->totalTime() >= 3);
        QCOMPARE(page.barView()->timeLabel()->text(), elapsed);
        QCOMPARE(page.suspensionVc()->timeLabel()->text(), elapsed);
        b.sentence(QStringLiteral("大家好"), QStringLiteral("Hello everyone"));
        // The sentence with its translation (the low-price tier's arrives a moment later).
        QTRY_VERIFY(!page.strList().isEmpty() && page.strList().first().contains(QLatin1Char('\n')));
        QCOMPARE(page.strList(), b.h.engine->strList());
        QVERIFY(page.strList().first().startsWith(QStringLiteral("大家好\n")));
        QCOMPARE(page.tableView()->model()->rowCount(), page.strList().size());
        QCOMPARE(page.suspensionVc()->listData(), page.strList());
        const QStringList shown = page.strList();

        // Stopping shows the stopped look at once; time and subtitles stay.
        b.click(page.startOrOverImage());
        QVERIFY(!b.app.isTranslation());
        QCOMPARE(page.startOrOverImageName(), QStringLiteral("startImage_icon"));
        QVERIFY(!b.shelterShown());
        QVERIFY(b.pickersFree());
        QVERIFY(!page.showTipLabel()->isVisible());
        QTRY_VERIFY(b.h.engine->state() == MLLiveEngine::State::Idle);
        QCOMPARE(page.barView()->timeLabel()->text(), elapsed);
        QCOMPARE(page.strList(), shown);
        QCOMPARE(page.tableView()->model()->rowCount(), shown.size());
    }

    template <class Engine, class Page> void credentialFailure(const QString &pageKey) {
        PageBench<Engine, Page> b(pageKey);
        QVERIFY(b.ready());
        b.h.standin.server().injectFault(
            QStringLiteral("/signature/getKeepupSin"),
            StandinFault::answer(QStringLiteral("DIA500"), QStringLiteral("签名失败")));
        b.click(b.page->startOrOverImage());
        QTRY_VERIFY(b.h.toasts().contains(QStringLiteral("签名失败")));
        QVERIFY(b.h.engine->state() == MLLiveEngine::State::Idle);
        QVERIFY(!b.app.isTranslation());
        QCOMPARE(b.page->startOrOverImageName(), QStringLiteral("startImage_icon"));
        QVERIFY(b.page->showTipLabel()->isVisible());
        QVERIFY(!b.shelterShown());
        QVERIFY(b.pickersFree());
    }

private Q_SLOTS:
    void cleanup() {
        MLUserDefaults::standardUserDefaults().removeObjectForKey(
            QStringLiteral("NSUserDefaultsFontSizeKey"));
    }

    void pageFollowsTheEnginesStatus_data() {
        QTest::addColumn<bool>("lowPrice");
        QTest::newRow("normal tier") << false;
        QTest::newRow("low-price tier") << true;
    }
    void pageFollowsTheEnginesStatus() {
        QFETCH(bool, lowPrice);
        if (lowPrice)
            startAndStop<LowpriceTranslationHelp, MLLowpriceTranslationView>(
                QStringLiteral("MLLowpriceTranslationView"));
        else
            startAndStop<NormalTranslationHelp, MLNormalTranslationView>(
                QStringLiteral("MLNormalTranslationView"));
    }

    void failedStartLeavesThePageAsItWas_data() { pageFollowsTheEnginesStatus_data(); }
    void failedStartLeavesThePageAsItWas() {
        QFETCH(bool, lowPrice);
        if (lowPrice)
            credentialFailure<LowpriceTranslationHelp, MLLowpriceTranslationView>(
                QStringLiteral("MLLowpriceTranslationView"));
        else
            credentialFailure<NormalTranslationHelp, MLNormalTranslationView>(
                QStringLiteral("MLNormalTranslationView"));
    }

    void newSubtitleSizeResizesTheRows() {
        PageBench<NormalTranslationHelp, MLNormalTranslationView> b(
            QStringLiteral("MLNormalTranslationView"));
        MLSubtitleTableView *table = b.page->tableView();
        b.page->dataChanged(
            {QStringLiteral("打开有声音的网页及视频\nOpen a web page with sound"), QString()});
        const int small = table->rowHeight(0);
        MLUserDefaults::standardUserDefaults().setString(QStringLiteral("大"),
                                                         QStringLiteral("NSUserDefaultsFontSizeKey"));
        MLNotificationCenter::defaultCenter().postNotificationName(
            QStringLiteral("NotificationChangeFontSizeKey"));
        QVERIFY(table->rowHeight(0) > small);
        QCOMPARE(table->cellView()->font().pixelSize(), 22);
    }

    void floatingWindowBeforeAnySession() {
        PageBench<NormalTranslationHelp, MLNormalTranslationView> b(
            QStringLiteral("MLNormalTranslationView"));
        QVERIFY(b.ready());
        b.click(b.page->barView()->suspensionImage());
        QVERIFY(b.app.isFloatingWindow());
        QVERIFY(!b.app.window()->isVisible());
        QVERIFY(b.app.translationWindow()->isVisible());
        NSTranslationVC *vc = b.page->suspensionVc();
        QVERIFY(vc->isVisibleTo(b.app.translationWindow()));
        QCOMPARE(vc->window(), b.app.translationWindow());
        QCOMPARE(vc->timeLabel()->text(), QStringLiteral("00:00:00"));
        QCOMPARE(vc->tableView()->model()->rowCount(), 0);

        b.click(vc->backButton());
        QVERIFY(!b.app.isFloatingWindow());
        QVERIFY(b.app.window()->isVisible());
        QVERIFY(!b.app.translationWindow()->isVisible());
    }

    void floatingWindowFollowsTheSession() {
        PageBench<NormalTranslationHelp, MLNormalTranslationView> b(
            QStringLiteral("MLNormalTranslationView"));
        QVERIFY(b.ready());
        b.click(b.page->startOrOverImage());
        QTRY_VERIFY(b.app.isTranslation());
        b.sentence(QStringLiteral("第一句"), QStringLiteral("First"));
        QVERIFY(b.h.tick(2));

        b.click(b.page->barView()->suspensionImage());
        NSTranslationVC *vc = b.page->suspensionVc();
        QVERIFY(b.app.translationWindow()->isVisible());
        QCOMPARE(vc->listData(), b.page->strList());
        QCOMPARE(vc->timeLabel()->text(), elapsedText(b.h.engine->totalTime()));
        b.sentence(QStringLiteral("第二句"), QStringLiteral("Second"));
        QVERIFY(b.h.tick());
        QCOMPARE(vc->listData(), b.h.engine->strList());
        QCOMPARE(vc->tableView()->model()->rowCount(), 3);
        QCOMPARE(vc->timeLabel()->text(), elapsedText(b.h.engine->totalTime()));
        QCOMPARE(b.page->barView()->timeLabel()->text(), vc->timeLabel()->text());

        b.click(vc->backButton());
        QVERIFY(b.app.window()->isVisible());
        QVERIFY(!b.app.translationWindow()->isVisible());
        QVERIFY(b.app.isTranslation());
        QVERIFY(b.h.engine->state() == MLLiveEngine::State::Running);
        QCOMPARE(b.page->startOrOverImageName(), QStringLiteral("overImage_icon"));
        QCOMPARE(b.page->strList(), b.h.engine->strList());
        b.click(b.page->startOrOverImage());
        QTRY_VERIFY(b.h.engine->state() == MLLiveEngine::State::Idle);
    }

    void engineOutlivingItsPageStillClearsTheFlag() {
        PageBench<NormalTranslationHelp, MLNormalTranslationView> b(
            QStringLiteral("MLNormalTranslationView"));
        QVERIFY(b.ready());
        b.click(b.page->startOrOverImage());
        QTRY_VERIFY(b.app.isTranslation());
        b.page.reset();
        b.sentence(QStringLiteral("没人看"), QStringLiteral("Nobody watches"));
        QVERIFY(b.h.tick());
        b.h.engine->stopTranslation();
        QVERIFY(!b.app.isTranslation());
        QTRY_VERIFY(b.h.engine->state() == MLLiveEngine::State::Idle);
    }
};

ML_TEST_MAIN(TestModePage)
#include "tst_modepage.moc"
