#include "support/MLTestMain.h"
#include "support/StandinFixture.h"

#include "core/session/MLKeyedArchive.h"
#include "core/session/MLUserManager.h"
#include "live/ui/MLRegionSettingCellView.h"
#include "live/ui/NSRegionComboBoxView.h"
#include "live/ui/NSTranslationComboBoxView.h"
#include "platform/kit/MLUserDefaults.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QJsonArray>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>

#include <memory>

namespace {

using Entry = MLMineLanguageListModel;

Entry entry(const QString &code, const QString &name, const QString &initial = QString()) {
    return Entry{code, initial, name};
}

// The list the stand-in answers in these tests, in the service's order. Ordered by pinyin it reads
// 法语 (F), 普通话 (P), 日语 (R), 英语 (Y), 中文 (Z), 123 (#).
const QList<Entry> &serviceList() {
    static const QList<Entry> list{
        entry(QStringLiteral("ja-JP"), QStringLiteral("日语"), QStringLiteral("R")),
        entry(QStringLiteral("zh-CN"), QStringLiteral("中文"), QStringLiteral("Z")),
        entry(QStringLiteral("x-num"), QStringLiteral("123"), QString()),
        entry(QStringLiteral("en-US"), QStringLiteral("英语"), QStringLiteral("Y")),
        entry(QStringLiteral("zh-CN"), QStringLiteral("普通话"), QStringLiteral("P")),
        entry(QStringLiteral("fr-FR"), QStringLiteral("法语"), QStringLiteral("F")),
    };
    return list;
}

const QStringList kSortedNames{QStringLiteral("法语"), QStringLiteral("普通话"), QStringLiteral("日语"),
                               QStringLiteral("英语"), QStringLiteral("中文"),   QStringLiteral("123")};

const QString kKey = QStringLiteral("MLPickerTest");

MLUserDefaults &defaults() {
    return MLUserDefaults::standardUserDefaults();
}

std::optional<Entry> storedEntry(const QString &key) {
    return MLKeyedArchive::unarchivedObjectOfClass<Entry>(defaults().dataForKey(key));
}

} // namespace

class TestLanguagePicker final : public QObject {
    Q_OBJECT
    std::unique_ptr<ml::test::StandinFixture> m_standin;

    // A picker set up the way the control bars do it, with the entry stored under its key.
    std::unique_ptr<NSTranslationComboBoxView> makePicker(bool source = true) {
        auto picker = std::make_unique<NSTranslationComboBoxView>();
        const QString key = kKey + (source ? QStringLiteral("Left") : QStringLiteral("Right"));
        picker->setItemLanguage(NSTranslationComboBoxView::storedLanguage(key));
        if (source)
            picker->setIsSourceLanguage(true);
        picker->setLanguageKey(kKey);
        picker->setLanguageType(source ? 11 : 12);
        return picker;
    }

    static bool waitForList(NSTranslationComboBoxView &picker) {
        return QTest::qWaitFor([&picker] { return !picker.dataSource().isEmpty(); }, 5000);
    }

private Q_SLOTS:
    void initTestCase() {
        m_standin = std::make_unique<ml::test::StandinFixture>();
        QVERIFY(m_standin->isRunning());
        m_standin->signInDemo();
        m_standin->server().route(QStringLiteral("/transLangue/getLanguageList"),
                                  [](const StandinRequest &r) {
                                      QJsonArray list;
                                      for (const Entry &e : serviceList())
                                          list.append(ml::json::toObject(e));
                                      // The target list lacks "123", so the two answers can be told apart.
                                      if (r.params.value(QStringLiteral("languageType")).toInt() == 12)
                                          list.removeAt(2);
                                      return StandinReply::success(list);
                                  });
    }

    void init() {
        for (const QString &side : {QStringLiteral("Left"), QStringLiteral("Right")})
            defaults().removeObjectForKey(kKey + side);
        defaults().synchronize();
        m_standin->server().clearFaults();
    }

    void firstArrivalChoosesAndStoresFirstEntry_data() {
        QTest::addColumn<bool>("source");
        QTest::addColumn<int>("count");
        QTest::newRow("source picker stores under Left") << true << 6;
        QTest::newRow("target picker stores under Right") << false << 5;
    }

    void firstArrivalChoosesAndStoresFirstEntry() {
        QFETCH(bool, source);
        QFETCH(int, count);
        auto picker = makePicker(source);
        QVERIFY(waitForList(*picker));

        QStringList names;
        for (const Entry &e : picker->dataSource())
            names << e.languageName;
        QCOMPARE(names, kSortedNames.mid(0, count));
        QCOMPARE(picker->comboBoxView()->count(), count);
        QCOMPARE(picker->seletedIndex(), 0);
        QCOMPARE(picker->comboBoxView()->currentText(), QStringLiteral("法语"));
        QCOMPARE(picker->itemLanguage(),
                 entry(QStringLiteral("fr-FR"), QStringLiteral("法语"), QStringLiteral("F")));
        const QString key = kKey + (source ? QStringLiteral("Left") : QStringLiteral("Right"));
        const QString other = kKey + (source ? QStringLiteral("Right") : QStringLiteral("Left"));
        QCOMPARE(storedEntry(key), std::optional<Entry>(picker->itemLanguage()));
        QVERIFY(!defaults().hasKey(other));
    }

    void storedEntryIsMatchedByCodeAndName_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("chosenName");
        const auto archive = [](const QString &code, const QString &name) {
            return MLKeyedArchive::archivedData(entry(code, name));
        };
        QTest::newRow("code and name found")
            << archive(QStringLiteral("ja-JP"), QStringLiteral("日语")) << QStringLiteral("日语");
        QTest::newRow("same code, other name: not found")
            << archive(QStringLiteral("ja-JP"), QStringLiteral("Japanese")) << QStringLiteral("法语");
        QTest::newRow("same code twice: the one with the stored name")
            << archive(QStringLiteral("zh-CN"), QStringLiteral("中文")) << QStringLiteral("中文");
        QTest::newRow("same name, other code: not found")
            << archive(QStringLiteral("ja"), QStringLiteral("日语")) << QStringLiteral("法语");
        QTest::newRow("undecodable value: first entry")
            << QByteArray("not an archive") << QStringLiteral("法语");
        QTest::newRow("empty entry: first entry") << archive(QString(), QString()) << QStringLiteral("法语");
    }

    void storedEntryIsMatchedByCodeAndName() {
        QFETCH(QByteArray, stored);
        QFETCH(QString, chosenName);
        defaults().setData(stored, kKey + QStringLiteral("Left"));
        auto picker = makePicker();
        QVERIFY(waitForList(*picker));
        QCOMPARE(picker->comboBoxView()->currentText(), chosenName);
        QCOMPARE(picker->itemLanguage().languageName, chosenName);
        QCOMPARE(picker->itemLanguage(), picker->dataSource().at(picker->seletedIndex()));
        QCOMPARE(storedEntry(kKey + QStringLiteral("Left")), std::optional<Entry>(picker->itemLanguage()));
    }

    void failedListKeepsTheOwnersEntry() {
        const Entry stored = entry(QStringLiteral("ja-JP"), QStringLiteral("日语"));
        defaults().setData(MLKeyedArchive::archivedData(stored), kKey + QStringLiteral("Left"));
        m_standin->server().injectFault(
            QStringLiteral("/transLangue/getLanguageList"),
            StandinFault::answer(QStringLiteral("DIA999"), QStringLiteral("系统繁忙")));
        auto picker = makePicker();
        QTRY_COMPARE(m_standin->server().pendingFaults(QStringLiteral("/transLangue/getLanguageList")), 0);
        QTest::qWait(50);
        QCOMPARE(picker->comboBoxView()->count(), 0);
        QCOMPARE(picker->itemLanguage(), stored);
        QCOMPARE(storedEntry(kKey + QStringLiteral("Left")), std::optional<Entry>(stored));
    }

    void answerForAGonePickerIsDropped() {
        m_standin->server().injectFault(QStringLiteral("/transLangue/getLanguageList"),
                                        StandinFault::delay(100));
        auto picker = makePicker();
        picker.reset();
        QTest::qWait(300);
        QVERIFY(!defaults().hasKey(kKey + QStringLiteral("Left")));
    }

    void selectionReportsOncePerRealChange() {
        auto picker = makePicker();
        int reports = 0;
        picker->setSeletedLanguageBlock([&reports](const Entry &) { ++reports; });
        QVERIFY(waitForList(*picker));
        // The arrival chooses the first row: one report.
        QCOMPARE(reports, 1);
        QCOMPARE(picker->seletedIndex(), 0);
        QComboBox *box = picker->comboBoxView();

        // In code: the same row reports nothing, another row reports once.
        box->setCurrentIndex(0);
        QCOMPARE(reports, 1);
        box->setCurrentIndex(2);
        QCOMPARE(reports, 2);
        QCOMPARE(picker->itemLanguage().languageName, QStringLiteral("日语"));
        QCOMPARE(storedEntry(kKey + QStringLiteral("Left"))->languageName, QStringLiteral("日语"));

        // By the user, through the list.
        QWidget host;
        picker->setParent(&host);
        picker->setGeometry(0, 0, 150, 30);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
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
        QCOMPARE(storedEntry(kKey + QStringLiteral("Left"))->languageName, QStringLiteral("英语"));
        pick(3);
        QCOMPARE(reports, 3);

        // changeLanguage: an entry of the row shown reports nothing; another one reports once.
        picker->setItemLanguage(entry(QStringLiteral("en-US"), QStringLiteral("英语")));
        picker->changeLanguage();
        QCOMPARE(reports, 3);
        QCOMPARE(picker->itemLanguage().languageInitial, QStringLiteral("Y"));
        picker->setItemLanguage(entry(QStringLiteral("zh-CN"), QStringLiteral("普通话")));
        picker->changeLanguage();
        QCOMPARE(reports, 4);
        QCOMPARE(picker->comboBoxView()->currentText(), QStringLiteral("普通话"));
        picker->setParent(nullptr);
    }

    void changeToUnknownPairShowsAndKeepsTheFirstEntry() {
        auto picker = makePicker();
        QVERIFY(waitForList(*picker));
        QCOMPARE(picker->seletedIndex(), 0);
        picker->setItemLanguage(entry(QStringLiteral("xx"), QStringLiteral("不存在")));
        picker->changeLanguage();
        // The entry is the one the picker shows, never a code it does not offer.
        QCOMPARE(picker->comboBoxView()->currentIndex(), 0);
        QCOMPARE(picker->itemLanguage(), picker->dataSource().first());
        QCOMPARE(storedEntry(kKey + QStringLiteral("Left")),
                 std::optional<Entry>(picker->dataSource().first()));
    }

    void lockedPickerIgnoresClicks() {
        auto picker = makePicker();
        QVERIFY(waitForList(*picker));
        QWidget host;
        picker->setParent(&host);
        picker->setGeometry(0, 0, 150, 30);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QComboBox *box = picker->comboBoxView();

        picker->comboBoxBtn()->show();
        QSignalSpy covered(picker->comboBoxBtn(), &QPushButton::clicked);
        // Through the window, so that the click lands on whatever is on top there.
        QTest::mouseClick(host.windowHandle(), Qt::LeftButton, {}, QPoint(75, 15));
        QCOMPARE(covered.size(), 1); // the cover button took the click
        QVERIFY(!box->view()->isVisible());
        QCOMPARE(box->currentIndex(), 0);

        picker->comboBoxBtn()->hide();
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(75, 15));
        QTRY_VERIFY(box->view()->isVisible());
        box->hidePopup();
        picker->setParent(nullptr);
    }

    // Both pickers' lists show 5 rows of 20 with a scroll bar for the rest, and a readable highlight.
    void popupShowsFiveRows_data() {
        QTest::addColumn<bool>("region");
        QTest::newRow("languages") << false;
        QTest::newRow("regions") << true;
    }
    void popupShowsFiveRows() {
        QFETCH(bool, region);
        QWidget host;
        host.resize(800, 300);
        QComboBox *box = nullptr;
        if (region) {
            auto *row = new MLRegionSettingCellView(&host);
            row->setGeometry(0, 0, 800, 100);
            QTRY_VERIFY(!row->dataList().isEmpty());
            box = row->regionComboBoxView()->comboBoxView();
        } else {
            auto *picker = new NSTranslationComboBoxView(&host);
            picker->setGeometry(20, 20, 240, 30);
            box = picker->comboBoxView();
            const QSignalBlocker blocker(box);
            for (int i = 0; i < 33; ++i)
                box->addItem(QStringLiteral("语言 %1").arg(i));
        }
        QVERIFY(box->count() > 5);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        box->showPopup();
        QAbstractItemView *view = box->view();
        QTRY_VERIFY(view->isVisible());
        QCOMPARE(view->visualRect(view->model()->index(0, 0)).height(), 20);
        QCOMPARE(view->viewport()->height(), 5 * 20);
        QVERIFY(view->window()->height() <= 5 * 20 + 2 * 6);
        QVERIFY(view->verticalScrollBar()->isVisible());
        // The highlighted row: its darkest pixel (the text) stands out from its background.
        const QRect highlighted = view->visualRect(view->currentIndex());
        const QImage image = view->viewport()->grab().toImage();
        const QColor background = image.pixelColor(highlighted.right() - 2, highlighted.center().y());
        QColor text = background;
        for (int y = highlighted.top(); y <= highlighted.bottom(); ++y)
            for (int x = highlighted.left(); x < highlighted.right(); ++x)
                if (qGray(image.pixel(x, y)) < qGray(text.rgb()))
                    text = image.pixelColor(x, y);
        QVERIFY2(qGray(background.rgb()) - qGray(text.rgb()) > 128,
                 qPrintable(background.name() + " / " + text.name()));
        box->hidePopup();
    }
};

ML_TEST_MAIN(TestLanguagePicker)
#include "tst_languagepicker.moc"
