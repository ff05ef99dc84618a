#include "support/MLTestMain.h"
#include "ui/widgets/MBProgressHUD.h"
#include "ui/widgets/MLScrollBar.h"
#include "ui/widgets/MLToast.h"
#include "ui/widgets/NSPagingView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

MLMinePageBaseModel pageModel(qint64 pageNum, qint64 pages, qint64 total, bool hasPrevious, bool hasNext) {
    MLMinePageBaseModel m;
    m.pageNum = pageNum;
    m.pages = pages;
    m.total = total;
    m.prePage = pageNum - 1;
    m.nextPage = pageNum + 1;
    m.hasPreviousPage = hasPrevious;
    m.hasNextPage = hasNext;
    return m;
}

// Counts the paint events a widget gets.
class PaintCount final : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

} // namespace

class TestWidgets : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // ---- progress overlay and toast ----

    // A request hides the overlay it showed; hiding by view takes the topmost spinner, never a toast.
    void hideRemovesOnlyItsOwnOverlay() {
        QWidget view;
        view.resize(300, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QPointer<MBProgressHUD> first = MBProgressHUD::showHUDAddedTo(&view, false);
        QPointer<MBProgressHUD> second = MBProgressHUD::showHUDAddedTo(&view, true);
        QPointer<MBProgressHUD> toast = MLToast::makeToast(&view, u"链接超时!"_s, 60);
        auto *later = new QLabel(u"not an overlay"_s, &view); // added above them all
        later->show();

        QCOMPARE(MBProgressHUD::HUDForView(&view), toast.data());
        QVERIFY(MBProgressHUD::hideHUD(first, false));
        QVERIFY(first->isHidden());
        QVERIFY(second->isVisible() && toast->isVisible());
        QVERIFY(!MBProgressHUD::hideHUD(first, false));

        QVERIFY(MBProgressHUD::hideHUDForView(&view, true));
        QVERIFY(toast->isVisible());
        QVERIFY(!MBProgressHUD::hideHUDForView(&view, false));
        QVERIFY(!MBProgressHUD::hideHUDForView(nullptr, false));
        QVERIFY(!MBProgressHUD::hideHUD(nullptr, false));
        QVERIFY(MBProgressHUD::hideHUD(toast, false));
        QTRY_VERIFY(first.isNull() && second.isNull() && toast.isNull());
        QVERIFY(later->isVisible());
    }

    // A toast too large for its view is shown whole on the nearest view that holds it.
    void toastIsReadableOnASmallView() {
        QWidget window;
        window.resize(800, 450);
        auto *row = new QWidget(&window);
        row->setGeometry(0, 20, 800, 100);
        auto *picker = new QWidget(row);
        picker->setGeometry(100, 35, 240, 30);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (QWidget *view : {picker, static_cast<QWidget *>(&window)}) {
            const QString text = view == picker ? u"链接超时!"_s : QString(60, QChar(0x8D85));
            MBProgressHUD *toast = MLToast::makeToast(view, text, 60);
            QCOMPARE(toast->parentWidget(), view == picker ? row : view);
            const QRect label = toast->label()->geometry();
            QVERIFY(!label.isEmpty());
            QVERIFY(toast->rect().contains(toast->bezelRect()));
            QVERIFY(toast->bezelRect().contains(label));
            QVERIFY(label.height() >= toast->label()->heightForWidth(label.width()));
            MBProgressHUD::hideHUD(toast, false);
        }
    }

    void overlayTakesClicksUnderIt() {
        QWidget window;
        window.resize(300, 200);
        auto *button = new QPushButton(u"刷新"_s, &window);
        button->setGeometry(20, 20, 80, 30);
        int clicks = 0;
        connect(button, &QPushButton::clicked, &window, [&] { ++clicks; });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint onButton = button->geometry().center();

        // Through the window, so that the click lands on whatever is on top there.
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, onButton);
        QCOMPARE(clicks, 1);

        QPointer<MBProgressHUD> hud = MBProgressHUD::showHUDAddedTo(&window, false);
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, onButton);
        QCOMPARE(clicks, 1);

        MBProgressHUD::hideHUDForView(&window, false);
        QTRY_VERIFY(hud.isNull());
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, onButton);
        QCOMPARE(clicks, 2);
    }

    void toastShowsTextThenGoes_data() {
        QTest::addColumn<double>("seconds");
        QTest::newRow("50 ms") << 0.05;
        QTest::newRow("no time") << 0.0;
        QTest::newRow("negative") << -1.0;
        QTest::newRow("not a number") << std::nan("");
    }

    void toastShowsTextThenGoes() {
        QFETCH(double, seconds);
        QWidget view;
        view.resize(300, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QPointer<MBProgressHUD> toast = MLToast::makeToast(&view, u"文件已经不存在了"_s, seconds);
        QVERIFY(toast);
        QVERIFY(toast->isVisible());
        QCOMPARE(MBProgressHUD::HUDForView(&view), toast.data());
        QTRY_VERIFY(toast.isNull());
        QVERIFY(!MBProgressHUD::hideHUDForView(&view, false));
        QVERIFY(!MLToast::makeToast(nullptr, u"x"_s, seconds));
    }

    // ---- pager ----

    // model: which neighbour pages it has ("p", "n", "pn").
    void pagerButtonRules_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QList<qint64>>("calls");
        QTest::newRow("previous") << u"p"_s << u"prev"_s << QString() << QList<qint64>{2};
        QTest::newRow("no previous page") << u"n"_s << u"prev"_s << QString() << QList<qint64>{};
        QTest::newRow("next") << u"n"_s << u"next"_s << QString() << QList<qint64>{4};
        QTest::newRow("jump") << u"pn"_s << u"jump"_s << u"7"_s << QList<qint64>{7};
        QTest::newRow("jump abc") << u"pn"_s << u"jump"_s << u"abc"_s << QList<qint64>{0};
        QTest::newRow("jump leading digits") << u"pn"_s << u"jump"_s << u" 12abc"_s << QList<qint64>{12};
        QTest::newRow("jump too big") << u"pn"_s << u"jump"_s << u"99999999999999999999"_s
                                      << QList<qint64>{std::numeric_limits<qint64>::max()};
        QTest::newRow("jump too small") << u"pn"_s << u"jump"_s << u"-99999999999999999999"_s
                                        << QList<qint64>{std::numeric_limits<qint64>::min()};
    }

    void pagerButtonRules() {
        QFETCH(QString, model);
        QFETCH(QString, button);
        QFETCH(QString, field);
        QFETCH(QList<qint64>, calls);
        NSPagingView pager;
        pager.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pager));
        pager.setPaging(pageModel(3, 9, 90, model.contains(u'p'), model.contains(u'n')));
        if (!field.isEmpty())
            pager.pageField()->setText(field);
        QList<qint64> got;
        pager.setSeletedPageBlock([&](qint64 page) { got.append(page); });
        QPushButton *target = button == u"prev"   ? pager.previousButton()
                              : button == u"next" ? pager.nextButton()
                                                  : pager.jumpButton();
        QTest::mouseClick(target, Qt::LeftButton);
        QCOMPARE(got, calls);
        pager.setSeletedPageBlock(nullptr); // without a block no button calls anything
        QTest::mouseClick(target, Qt::LeftButton);
        QCOMPARE(got, calls);
    }

    // ---- scroll bar ----

    // The scroll bar repaints when its knob moves or resizes, or scrolling starts or stops being
    // possible; a change that leaves all of that as it was paints nothing.
    void scrollBarRepaintsOnlyWhatShows_data() {
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("repaints");
        // Starting from a range of 0..300000 at its end, a page of 400 (the knob at its least length).
        QTest::newRow("grown by a row, kept at the end") << 300'020 << 300'020 << false;
        QTest::newRow("moved by a pixel") << 300'000 << 299'999 << false;
        QTest::newRow("moved by a page") << 300'000 << 150'000 << true;
        QTest::newRow("range shrunk to a few pages") << 1'200 << 1'200 << true;
        QTest::newRow("nothing left to scroll") << 0 << 0 << true;
    }

    void scrollBarRepaintsOnlyWhatShows() {
        QFETCH(int, maximum);
        QFETCH(int, value);
        QFETCH(bool, repaints);
        MLScrollBar bar(Qt::Vertical);
        bar.resize(bar.sizeHint().width(), 400);
        bar.setRange(0, 300'000);
        bar.setPageStep(400);
        bar.setValue(300'000);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        PaintCount count;
        bar.installEventFilter(&count);
        bar.update();
        QTRY_COMPARE(count.paints, 1);
        bar.setMaximum(maximum);
        bar.setValue(value);
        QCoreApplication::processEvents();
        QCOMPARE(count.paints, repaints ? 2 : 1);
    }
};

ML_TEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
