// The language pickers and the control bar that holds a pair of them.
#include "support/LiveUiSupport.h"
#include "support/MLTestMain.h"
#include "support/StandinFixture.h"
#include "support/ToastTexts.h"

#include "StandinLanguageRoutes.h"
#include "app/AppDelegate.h"
#include "live/ui/MLHelpSelectVC.h"
#include "live/ui/MLLiveSettingsWindow.h"
#include "live/ui/NSRegionComboBoxView.h"
#include "live/ui/NSTranslationSonView.h"
#include "platform/kit/ui/MLApplicationModal.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QJsonArray>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>

using namespace ml::test;
using namespace Qt::StringLiterals;

namespace {

using Entry = MLMineLanguageListModel;
const QString kListPath = u"/transLangue/getLanguageList"_s;
const QString kKey = u"MLPickerTest"_s;
const QString kLeft = kKey + u"Left"_s;
const QString kRight = kKey + u"Right"_s;

Entry entry(const QString &code, const QString &name, const QString &initial = QString()) {
    return Entry{code, initial, name};
}

// The list the pickers' tests get, in the service's order. Ordered by pinyin it reads
// 法语 (F), 普通话 (P), 日语 (R), 英语 (Y), 中文 (Z), 123 (#).
const QList<Entry> kServiceList{entry(u"ja-JP"_s, u"日语"_s, u"R"_s),
                                entry(u"zh-CN"_s, u"中文"_s, u"Z"_s),
                                entry(u"x-num"_s, u"123"_s),
                                entry(u"en-US"_s, u"英语"_s, u"Y"_s),
                                entry(u"zh-CN"_s, u"普通话"_s, u"P"_s),
                                entry(u"fr-FR"_s, u"法语"_s, u"F"_s)};
const QStringList kSortedNames{u"法语"_s, u"普通话"_s, u"日语"_s, u"英语"_s, u"中文"_s, u"123"_s};

MLUserDefaults &defaults() {
    return MLUserDefaults::standardUserDefaults();
}

} // namespace

class TestLanguagePicker final : public QObject {
    Q_OBJECT
    StandinFixture m_standin;
    AppDelegate m_app;

    // A picker set up the way the control bars do it, with the entry stored under its key.
    std::unique_ptr<NSTranslationComboBoxView> makePicker(bool source = true) {
        m_standin.server().route(kListPath, [](const StandinRequest &) {
            QJsonArray list;
            for (const Entry &e : kServiceList)
                list.append(ml::json::toObject(e));
            return StandinReply::success(list);
        });
        auto picker = std::make_unique<NSTranslationComboBoxView>();
        picker->setItemLanguage(NSTranslationComboBoxView::storedLanguage(source ? kLeft : kRight));
        picker->setIsSourceLanguage(source);
        picker->setLanguageKey(kKey);
        picker->setLanguageType(source ? 11 : 12);
        return picker;
    }

    // A bar given the stored pair the way the pages give it, on the service's own lists.
    std::unique_ptr<NSTranslationSonView> makeBar() {
        StandinLanguageRoutes::install(m_standin.server());
        storeLanguage(kLeft, u"en-US"_s, u"英语"_s);
        storeLanguage(kRight, u"ja"_s, u"日语"_s);
        auto bar = std::make_unique<NSTranslationSonView>();
        bar->setLanguageKey(kKey);
        bar->setLeftItem(NSTranslationComboBoxView::storedLanguage(kLeft));
        bar->setRightItem(NSTranslationComboBoxView::storedLanguage(kRight));
        return bar;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_standin.isRunning());
        m_standin.signInDemo();
        m_app.applicationDidFinishLaunching();
    }

    void init() {
        defaults().removeObjectForKey(kLeft);
        defaults().removeObjectForKey(kRight);
        m_standin.server().clearFaults();
        m_standin.server().clearReceivedRequests();
        m_app.setIsTranslation(false);
    }

    // The list arrives sorted; the picker shows the stored entry when the list has its code and name,
    // else the first entry, and stores what it shows under its side's key only.
    void arrivalShowsTheStoredEntryOrTheFirst_data() {
        QTest::addColumn<bool>("source");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("chosenName");
        const auto archive = [](const QString &code, const QString &name) {
            return MLKeyedArchive::archivedData(entry(code, name));
        };
        QTest::newRow("target, nothing stored") << false << QByteArray() << u"法语"_s;
        QTest::newRow("code and name found") << true << archive(u"ja-JP"_s, u"日语"_s) << u"日语"_s;
        QTest::newRow("same code, other name") << true << archive(u"ja-JP"_s, u"Japanese"_s) << u"法语"_s;
        QTest::newRow("same code twice: the stored name")
            << true << archive(u"zh-CN"_s, u"中文"_s) << u"中文"_s;
        QTest::newRow("same name, other code") << true << archive(u"ja"_s, u"日语"_s) << u"法语"_s;
        QTest::newRow("undecodable value") << true << QByteArray("not an archive") << u"法语"_s;
    }
    void arrivalShowsTheStoredEntryOrTheFirst() {
        QFETCH(bool, source);
        QFETCH(QByteArray, stored);
        if (!stored.isEmpty())
            defaults().setData(stored, source ? kLeft : kRight);
        auto picker = makePicker(source);
        QVERIFY(listsArrived({picker.get()}));
        QStringList names;
        for (const Entry &e : picker->dataSource())
            names << e.languageName;
        QCOMPARE(names, kSortedNames);
        QTEST(picker->comboBoxView()->currentText(), "chosenName");
        QCOMPARE(picker->itemLanguage(), picker->dataSource().at(picker->seletedIndex()));
        QCOMPARE(storedLanguage(source ? kLeft : kRight), std::optional(picker->itemLanguage()));
        QVERIFY(!defaults().hasKey(source ? kRight : kLeft));
    }

    void failedListKeepsTheOwnersEntry() {
        const Entry stored = entry(u"ja-JP"_s, u"日语"_s);
        storeLanguage(kLeft, stored.languageCode, stored.languageName);
        m_standin.server().injectFault(kListPath, StandinFault::answer(u"DIA999"_s, u"系统繁忙"_s));
        auto picker = makePicker();
        QCOMPARE(startedRequests(kListPath), 1);
        QTRY_COMPARE(startedRequests(kListPath), 0); // the answer has been handled
        QCOMPARE(picker->comboBoxView()->count(), 0);
        QCOMPARE(picker->itemLanguage(), stored);
        QCOMPARE(storedLanguage(kLeft), std::optional(stored));
    }

    void answerForAGonePickerIsDropped() {
        m_standin.server().injectFault(kListPath, StandinFault::delay(100));
        makePicker().reset();
        QCOMPARE(startedRequests(kListPath), 1);
        QTRY_COMPARE(startedRequests(kListPath), 0); // answered after the picker went
        QVERIFY(!defaults().hasKey(kLeft));
    }

    void selectionReportsOncePerRealChangeAndNoneWhileLocked() {
        QWidget host;
        auto picker = makePicker();
        picker->setParent(&host);
        picker->setGeometry(0, 0, 150, 30);
        int reports = 0;
        picker->setSeletedLanguageBlock([&reports](const Entry &) { ++reports; });
        QVERIFY(listsArrived({picker.get()}));
        QCOMPARE(reports, 1); // the arrival chooses the first row
        QCOMPARE(picker->seletedIndex(), 0);
        QComboBox *box = picker->comboBoxView();

        // In code: the same row reports nothing, another row reports once.
        box->setCurrentIndex(0);
        QCOMPARE(reports, 1);
        box->setCurrentIndex(2);
        QCOMPARE(reports, 2);
        QCOMPARE(picker->itemLanguage().languageName, u"日语"_s);
        QCOMPARE(storedLanguage(kLeft)->languageName, u"日语"_s);

        // By the user, through the list.
        QVERIFY(ml::test::shown(&host));
        const auto pick = [box](int row) {
            box->showPopup();
            QAbstractItemView *list = box->view();
            QTRY_VERIFY(list->isVisible());
            const QRect rect = list->visualRect(box->model()->index(row, 0));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
            QTRY_VERIFY(!list->isVisible());
        };
        pick(3);
        QCOMPARE(reports, 3);
        QCOMPARE(picker->seletedIndex(), 3);
        QCOMPARE(storedLanguage(kLeft)->languageName, u"英语"_s);
        pick(3);
        QCOMPARE(reports, 3);

        // changeLanguage: an entry of the row shown reports nothing; another one reports once.
        picker->setItemLanguage(entry(u"en-US"_s, u"英语"_s));
        picker->changeLanguage();
        QCOMPARE(reports, 3);
        QCOMPARE(picker->itemLanguage().languageInitial, u"Y"_s);
        picker->setItemLanguage(entry(u"zh-CN"_s, u"普通话"_s));
        picker->changeLanguage();
        QCOMPARE(reports, 4);
        QCOMPARE(picker->comboBoxView()->currentText(), u"普通话"_s);
        // An unknown pair: the picker shows and keeps the first entry, never a code it does not offer.
        picker->setItemLanguage(entry(u"xx"_s, u"不存在"_s));
        picker->changeLanguage();
        QCOMPARE(reports, 5);
        QCOMPARE(picker->comboBoxView()->currentIndex(), 0);
        QCOMPARE(picker->itemLanguage(), picker->dataSource().first());
        QCOMPARE(storedLanguage(kLeft), std::optional(picker->dataSource().first()));

        // Locked (covered, while a session runs), the picker ignores clicks; uncovered it opens again.
        picker->comboBoxBtn()->show();
        QSignalSpy covered(picker->comboBoxBtn(), &QPushButton::clicked);
        // Through the window, so that the click lands on whatever is on top there.
        QTest::mouseClick(host.windowHandle(), Qt::LeftButton, {}, QPoint(75, 15));
        QCOMPARE(covered.size(), 1);
        QVERIFY(!box->view()->isVisible());
        picker->comboBoxBtn()->hide();
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(75, 15));
        QTRY_VERIFY(box->view()->isVisible());
        box->hidePopup();
        QCOMPARE(reports, 5);
    }

    // The pickers' lists (the language and region pickers share the look) show 5 rows of 20 with a
    // scroll bar for the rest, and a readable highlight.
    void popupShowsFiveRows() {
        QWidget host;
        host.resize(800, 300);
        auto *picker = new NSTranslationComboBoxView(&host);
        picker->setGeometry(20, 20, 240, 30);
        QComboBox *box = picker->comboBoxView();
        {
            const QSignalBlocker blocker(box);
            for (int i = 0; i < 33; ++i)
                box->addItem(u"语言 %1"_s.arg(i));
        }
        QVERIFY(ml::test::shown(&host));
        box->showPopup();
        QAbstractItemView *view = box->view();
        QTRY_VERIFY(view->isVisible());
        QCOMPARE(view->visualRect(view->model()->index(0, 0)).height(), 20);
        QCOMPARE(view->viewport()->height(), 5 * 20);
        QVERIFY(view->verticalScrollBar()->isVisible());
        // The highlighted row: its darkest pixel (the text) stands out from its background.
        const QRect highlighted = view->visualRect(view->currentIndex());
        const QImage image = view->viewport()->grab().toImage();
        const QColor background = image.pixelColor(highlighted.right() - 2, highlighted.center().y());
        int darkest = qGray(background.rgb());
        for (int y = highlighted.top(); y <= highlighted.bottom(); ++y)
            for (int x = highlighted.left(); x < highlighted.right(); ++x)
                darkest = qMin(darkest, qGray(image.pixel(x, y)));
        QVERIFY2(qGray(background.rgb()) - darkest > 128, qPrintable(background.name()));
        box->hidePopup();
    }

    void swapRefusedWhileRunningAndAppliedAfter() {
        auto bar = makeBar();
        QVERIFY(listsArrived({bar->sourceLanguageView(), bar->targetLanguageView()}));
        QVERIFY(ml::test::shown(bar.get(), {900, 50}));

        m_app.setIsTranslation(true);
        QTest::mouseClick(bar->changeImage(), Qt::LeftButton);
        QCOMPARE(toastTexts(m_app.contentView()), QStringList{u"正在翻译，不允许修改"_s});
        QCOMPARE(startedRequests(u"/transLangue/switchLanguage"_s), 0);
        QCOMPARE(bar->sourceLanguageView()->itemLanguage().languageCode, u"en-US"_s);

        m_app.setIsTranslation(false);
        QTest::mouseClick(bar->changeImage(), Qt::LeftButton);
        QTRY_COMPARE(bar->sourceLanguageView()->itemLanguage().languageCode, u"ja-JP"_s);
        QTRY_COMPARE(bar->targetLanguageView()->itemLanguage().languageCode, u"en"_s);
        const auto request = m_standin.server().lastRequest(u"/transLangue/switchLanguage"_s);
        QVERIFY(request);
        QCOMPARE(request->params, (QJsonObject{{u"fromCode"_s, u"en-US"_s},
                                               {u"fromCodeName"_s, u"英语"_s},
                                               {u"toCode"_s, u"ja"_s},
                                               {u"toCodeName"_s, u"日语"_s}}));

        // Each picker shows the new pair.
        QCOMPARE(bar->sourceLanguageView()->comboBoxView()->currentText(), u"日语"_s);
        QCOMPARE(bar->targetLanguageView()->comboBoxView()->currentText(), u"英语"_s);
        QCOMPARE(storedLanguage(kLeft)->languageCode, u"ja-JP"_s);
        QCOMPARE(storedLanguage(kRight)->languageCode, u"en"_s);
    }

    // Each click opens the settings window modally, with fresh settings, until the window closes.
    void settingsWindowRunsModallyUntilClosed() {
        auto bar = makeBar();
        MLLiveSettingsWindow *window = bar->helpWindow();
        QPointer<QWidget> previousContent;
        for (int run = 0; run < 2; ++run) {
            bool wasModal = false;
            QPointer<QWidget> content;
            QTimer::singleShot(0, window, [window, &wasModal, &content] {
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
            QVERIFY(!previousContent);
            previousContent = content;
        }
    }
};

ML_TEST_MAIN(TestLanguagePicker)
#include "tst_languagepicker.moc"
