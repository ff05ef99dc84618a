// The live section's pages: the two tiers' pages follow their engine, the floating window follows the
// session, and the pages without an engine stay inert.
#include "support/LiveEngineHarness.h"
#include "support/LiveUiSupport.h"
#include "support/MLTestMain.h"
#include "support/ToastTexts.h"

#include "app/AppDelegate.h"
#include "live/engine/LowpriceTranslationHelp.h"
#include "live/engine/NormalTranslationHelp.h"
#include "live/ui/MLHighTranslationView.h"
#include "live/ui/MLLiveSettingsWindow.h"
#include "live/ui/MLLowpriceTranslationView.h"
#include "live/ui/MLNormalTranslationView.h"
#include "live/ui/MLSubtitleTableView.h"
#include "live/ui/MLTSRecognizeView.h"
#include "live/ui/NSTranslationIdentifySonView.h"
#include "live/ui/NSTranslationSonView.h"
#include "live/ui/NSTranslationVC.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLNotificationNames.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QWindow>

using namespace ml::test;
using namespace Qt::StringLiterals;

namespace {

const QString kBgFloatKey = u"NSUserDefaultsBgFloatKey"_s;

// One tier's page on its own engine against the stand-in, inside a launched application.
template <class Engine, class Page> struct PageBench {
    LiveEngineHarness<Engine> h;
    AppDelegate app;
    std::unique_ptr<Page> page;

    explicit PageBench(const QString &pageKey) {
        app.applicationDidFinishLaunching();
        storeLanguage(pageKey + u"Left"_s, u"zh-CN"_s, u"中文（普通话）"_s, u"Z"_s);
        storeLanguage(pageKey + u"Right"_s, u"en"_s, u"英语"_s, u"Y"_s);
        page = std::make_unique<Page>(*h.engine);
        page->resize(1039, 673);
        page->show();
    }

    bool ready() {
        NSTranslationSonView *bar = page->barView();
        return QTest::qWaitForWindowExposed(page.get()) &&
               listsArrived({bar->sourceLanguageView(), bar->targetLanguageView()});
    }
    // The look in words: the start or stop image, the tip, the shelter, the pickers' covers (both
    // pickers locked or both free) and the application's flag.
    QString look() const {
        NSTranslationSonView *bar = page->barView();
        const bool source = bar->sourceLanguageView()->comboBoxBtn()->isVisibleTo(bar);
        const bool target = bar->targetLanguageView()->comboBoxBtn()->isVisibleTo(bar);
        return QStringList{page->startOrOverImageName(),
                           page->showTipLabel()->isVisible() ? u"tip"_s : u"-"_s,
                           app.translationShelterView()->isVisibleTo(app.window()) ? u"shelter"_s : u"-"_s,
                           source != target ? u"?"_s
                           : source         ? u"locked"_s
                                            : u"free"_s,
                           app.isTranslation() ? u"translating"_s : u"-"_s}
            .join(u' ');
    }
    // Only the floating window shows, or only the main one.
    bool floating(bool only) const {
        return app.isFloatingWindow() == only && app.window()->isVisible() != only &&
               app.translationWindow()->isVisible() == only;
    }
    void click(QWidget *widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    // A finished sentence as the tier's recognizer reports it (the low-price tier recognises only and
    // translates each sentence itself).
    void sentence(const QString &text, const QString &translation) {
        if constexpr (std::is_same_v<Engine, LowpriceTranslationHelp>)
            h.recognized(result(MLSpeechRecognitionResult::RecognizedSpeech, text, {}));
        else
            h.recognized(result(MLSpeechRecognitionResult::TranslatedSpeech, text, {{u"en"_s, translation}}));
    }
};

using NormalBench = PageBench<NormalTranslationHelp, MLNormalTranslationView>;
using LowpriceBench = PageBench<LowpriceTranslationHelp, MLLowpriceTranslationView>;

// Runs `test` on the page of the tier the data row names.
template <class Test> void onTier(Test test) {
    QFETCH(bool, lowPrice);
    if (lowPrice) {
        LowpriceBench b(u"MLLowpriceTranslationView"_s);
        QVERIFY(b.ready());
        test(b);
    } else {
        NormalBench b(u"MLNormalTranslationView"_s);
        QVERIFY(b.ready());
        test(b);
    }
}

} // namespace

class TestLivePages final : public QObject {
    Q_OBJECT
    StandinFixture m_standin;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_standin.isRunning()); }
    void init() { m_standin.signInDemo(); }

    void pageFollowsTheEnginesStatus_data() {
        QTest::addColumn<bool>("lowPrice");
        QTest::newRow("normal tier") << false;
        QTest::newRow("low-price tier") << true;
    }
    // The page shows the engine's status as reported, not the click; a failed start leaves it as it was.
    void pageFollowsTheEnginesStatus() {
        onTier([](auto &b) {
            auto &page = *b.page;
            b.h.standin.server().injectFault(u"/signature/getKeepupSin"_s,
                                             StandinFault::answer(u"DIA500"_s, u"签名失败"_s));
            b.click(page.startOrOverImage());
            QTRY_VERIFY(toastTexts(b.app.contentView()).contains(u"签名失败"_s));
            QVERIFY(b.h.engine->state() == MLLiveEngine::State::Idle);
            QCOMPARE(b.look(), u"startImage_icon tip - free -"_s);

            b.click(page.startOrOverImage());
            QCOMPARE(b.look(), u"startImage_icon tip - free -"_s); // nothing changes with the click itself
            QTRY_VERIFY(b.app.isTranslation());
            QCOMPARE(b.look(), u"overImage_icon - shelter locked translating"_s);
            QCOMPARE(b.h.engine->from(), u"zh-CN"_s);
            QCOMPARE(b.h.engine->to(), u"en"_s);

            QVERIFY(b.h.tick(3)); // the session starts at one second
            QCOMPARE(page.barView()->timeLabel()->text(), u"00:00:04"_s);
            b.sentence(u"大家好"_s, u"Hello everyone"_s);
            // The sentence with its translation (the low-price tier's arrives a moment later).
            QTRY_VERIFY(!page.strList().isEmpty() && page.strList().first().contains(u'\n'));
            QCOMPARE(page.strList(), b.h.engine->strList());
            QVERIFY(page.strList().first().startsWith(u"大家好\n"_s));
            const QStringList shown = page.strList();

            // Stopping shows the stopped look at once; time and subtitles stay.
            b.click(page.startOrOverImage());
            QCOMPARE(b.look(), u"startImage_icon - - free -"_s);
            QTRY_VERIFY(b.h.engine->state() == MLLiveEngine::State::Idle);
            QCOMPARE(page.barView()->timeLabel()->text(), u"00:00:04"_s);
            QCOMPARE(page.strList(), shown);
        });
    }

    void floatingWindowFollowsTheSession_data() {
        QTest::addColumn<bool>("byWindowManager"); // left by the window manager's close, not "返回"
        QTest::newRow("返回") << false;
        QTest::newRow("closed by the window manager") << true;
    }
    void floatingWindowFollowsTheSession() {
        QFETCH(bool, byWindowManager);
        NormalBench b(u"MLNormalTranslationView"_s);
        QVERIFY(b.ready());
        NSTranslationVC *vc = b.page->suspensionVc();
        // During a session: it shows what the page shows and keeps following.
        b.click(b.page->startOrOverImage());
        QTRY_VERIFY(b.app.isTranslation());
        b.sentence(u"第一句"_s, u"First"_s);
        QVERIFY(b.h.tick(2));
        b.click(b.page->barView()->suspensionImage());
        QVERIFY(b.floating(true));
        QCOMPARE(vc->window(), b.app.translationWindow());
        QCOMPARE(vc->listData(), b.page->strList());
        b.sentence(u"第二句"_s, u"Second"_s);
        QVERIFY(b.h.tick());
        QCOMPARE(vc->listData(), b.h.engine->strList());
        QCOMPARE(vc->timeLabel()->text(), u"00:00:04"_s);

        // Its settings stay on top of it and go with it.
        b.click(vc->settingImage());
        MLLiveSettingsWindow *settings = vc->suspensionWindow();
        QVERIFY(settings->isVisible());
        QVERIFY(settings->windowFlags() & Qt::WindowStaysOnTopHint);

        if (byWindowManager) // the close the window system delivers (a spontaneous one)
            QVERIFY(b.app.translationWindow()->windowHandle()->close());
        else
            b.click(vc->backButton());
        QVERIFY(!settings->isVisible());
        QVERIFY(b.floating(false));
        QCOMPARE(b.look(), u"overImage_icon - shelter locked translating"_s);
        QVERIFY(b.h.engine->state() == MLLiveEngine::State::Running);
        QCOMPARE(b.page->strList(), b.h.engine->strList());
        b.click(b.page->startOrOverImage());
        QTRY_VERIFY(b.h.engine->state() == MLLiveEngine::State::Idle);
    }

    void engineOutlivingItsPageStillClearsTheFlag() {
        NormalBench b(u"MLNormalTranslationView"_s);
        QVERIFY(b.ready());
        b.click(b.page->startOrOverImage());
        QTRY_VERIFY(b.app.isTranslation());
        b.page.reset();
        b.sentence(u"没人看"_s, u"Nobody watches"_s);
        QVERIFY(b.h.tick());
        b.h.engine->stopTranslation();
        QVERIFY(!b.app.isTranslation());
        QTRY_VERIFY(b.h.engine->state() == MLLiveEngine::State::Idle);
    }

    // The pages without an engine show their stored languages (the recognition page only a source);
    // starting changes nothing.
    void pagesWithoutAnEngineAreInert() {
        AppDelegate app;
        app.applicationDidFinishLaunching();
        storeLanguage(u"MLHighTranslationViewLeft"_s, u"ja-JP"_s, u"日语"_s);
        storeLanguage(u"MLHighTranslationViewRight"_s, u"fr"_s, u"法语"_s);
        storeLanguage(u"MLTSRecognizeViewLeft"_s, u"ko-KR"_s, u"韩语"_s);
        MLTSRecognizeView recognition;
        MLHighTranslationView page;
        NSTranslationSonView *bar = page.barView();
        QVERIFY(listsArrived({bar->sourceLanguageView(), bar->targetLanguageView(),
                              recognition.barView()->sourceLanguageView()}));
        QCOMPARE(recognition.barView()->sourceLanguageView()->comboBoxView()->currentText(), u"韩语"_s);
        QVERIFY(!MLUserDefaults::standardUserDefaults().hasKey(u"MLTSRecognizeViewRight"_s));
        QCOMPARE(bar->sourceLanguageView()->comboBoxView()->currentText(), u"日语"_s);
        QCOMPARE(bar->targetLanguageView()->itemLanguage().languageCode, u"fr"_s);
        QVERIFY(ml::test::shown(&page));
        QTest::mouseClick(page.startOrOverImage(), Qt::LeftButton);
        QCOMPARE(page.startOrOverImageName(), u"startImage_icon"_s);
        QVERIFY(!app.isTranslation());
    }

    void floatingBackgroundFollowsTheSetting_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<qreal>("alpha");
        QTest::newRow("white chosen") << u"0.3"_s << 0.3;
        QTest::newRow("nothing stored") << QString() << 0.7;
        QTest::newRow("anything else") << u"0.30"_s << 0.7;
    }
    void floatingBackgroundFollowsTheSetting() {
        QFETCH(QString, value);
        QFETCH(qreal, alpha);
        auto &defaults = MLUserDefaults::standardUserDefaults();
        defaults.removeObjectForKey(kBgFloatKey);
        NSTranslationVC vc;
        QCOMPARE(vc.bgAlpha(), 0.7);
        defaults.setString(value, kBgFloatKey);
        QCOMPARE(vc.bgAlpha(), 0.7); // read only when told
        MLNotificationCenter::defaultCenter().postNotificationName(MLNotificationNames::kChangeBgFloat);
        QCOMPARE(vc.bgAlpha(), alpha);
        NSTranslationVC fresh;
        QCOMPARE(fresh.bgAlpha(), alpha); // and when built
        defaults.removeObjectForKey(kBgFloatKey);
    }
};

ML_TEST_MAIN(TestLivePages)
#include "tst_livepages.moc"
