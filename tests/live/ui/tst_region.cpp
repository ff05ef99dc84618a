// The speech-region row: preselection, reporting picks to the service, and the region notes.
#include "support/MLTestMain.h"

#include "live/ui/MLRegionShowTipCellView.h"
#include "live/ui/MLRegionShowTipVC.h"

#include <QScrollBar>

namespace {

MLRegionModel region(const QString &code, const QString &desc = {}, bool isDefault = false) {
    MLRegionModel model;
    model.regionCode = code;
    model.regionExplain = code + QStringLiteral(" 区域");
    model.desc = desc;
    model.defaultRegion = isDefault;
    return model;
}

} // namespace

class TestRegion final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void regionModelReadsDescriptionKey() {
        const auto list = ml::json::arrayFromJson<MLRegionModel>(QByteArrayLiteral(
            R"([{"regionCode":"eastasia","regionExplain":"东亚","description":"香港","defaultRegion":true},)"
            R"({"regionCode":"westus2","regionExplain":"美西","desc":"ignored"}])"));
        QCOMPARE(list.size(), 2);
        QCOMPARE(list.at(0).desc, QStringLiteral("香港"));
        QVERIFY(list.at(0).defaultRegion);
        QCOMPARE(list.at(1).desc, QString());
        QVERIFY(!list.at(1).defaultRegion);
    }

    void noteRowsFollowTheirText() {
        MLRegionShowTipVC notes;
        const QString longNote = QStringLiteral("数据中心位于荷兰，适合在欧洲大陆使用。").repeated(12);
        notes.setDataList({region(QStringLiteral("a")), region(QStringLiteral("b"), QStringLiteral("短说明")),
                           region(QStringLiteral("c"), longNote)});
        QCOMPARE(notes.numberOfRowsInTableView(), 3);
        QCOMPARE(notes.heightOfRow(0), 50);
        QVERIFY(notes.heightOfRow(1) > 50);
        QVERIFY(notes.heightOfRow(2) > notes.heightOfRow(1));
        QCOMPARE(notes.heightOfRow(2), MLRegionShowTipVC::getHeightWithContent(longNote));
        // Rows in list order, filled from their entries and as high as measured.
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(notes.viewForRow(i)->titleLabel()->text(), notes.dataList().at(i).regionExplain);
            QCOMPARE(notes.viewForRow(i)->descLabel()->text(), notes.dataList().at(i).desc);
            QCOMPARE(notes.viewForRow(i)->height(), notes.heightOfRow(i));
        }
    }

    void notesScrollWhenRowsOutgrowTheWindow() {
        MLRegionShowTipVC notes;
        QList<MLRegionModel> list;
        for (int i = 0; i < 12; ++i)
            list.append(region(QString::number(i), QStringLiteral("一段说明文字。").repeated(4)));
        notes.setDataList(list);
        notes.show();
        QVERIFY(QTest::qWaitForWindowExposed(&notes));
        QCOMPARE(notes.size(), QSize(400, 450));
        QTRY_VERIFY(notes.scrollView()->verticalScrollBar()->maximum() > 0);

        // A shorter list replaces the rows.
        notes.setDataList({region(QStringLiteral("x"))});
        QCOMPARE(notes.numberOfRowsInTableView(), 1);
        QTRY_COMPARE(notes.scrollView()->verticalScrollBar()->maximum(), 0);
    }
};

ML_TEST_MAIN(TestRegion)
#include "tst_region.moc"
