// The JSON model mapper and the session store built on it.
#include "core/model/MLJsonModel.h"
#include "core/session/MLKeyedArchive.h"
#include "core/session/MLMinePageBaseModel.h"
#include "core/session/MLUserManager.h"
#include "core/session/RezirDeviceInfo.h"
#include "platform/kit/MLUserDefaults.h"
#include "support/MLTestMain.h"
#include "support/TestFiles.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QTemporaryDir>
#include <QUuid>

using namespace Qt::StringLiterals;

namespace {
struct Row {
    QString name;
    ML_MODEL(Row, ML_FIELD(name))
};
struct Item {
    QString name;
    qint64 count = 0;
    ML_MODEL(Item, ML_FIELD(name), ML_FIELD(count))
};

struct Sample {
    QString text;
    qint64 id = 0;
    int small = 0;
    double ratio = 0;
    bool flag = false;
    QString desc;
    QList<Item> items;
    QStringList tags;
    Item single;
    QJsonArray raw;
    ML_MODEL(Sample, ML_FIELD(text), ML_FIELD(id), ML_FIELD(small), ML_FIELD(ratio), ML_FIELD(flag),
             ML_FIELD_KEY(desc, "description"), ML_FIELD(items), ML_FIELD(tags), ML_FIELD(single),
             ML_FIELD(raw))
};

} // namespace

class TestSession : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void textFieldConversions_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("null"); // absent, as opposed to present and empty
        const auto row = [](const char *tag, const char *json, const char *expected, bool null = false) {
            QTest::newRow(tag) << QByteArray(json) << QString::fromUtf8(expected) << null;
        };
        row("string", R"({"text":"你好"})", "你好");
        row("empty string is kept", R"({"text":""})", "");
        row("large integer exact", R"({"text":9007199254740993})", "9007199254740993");
        // Fractions binary floating point cannot hold: the shortest text that reads back the same.
        row("price 19.9", R"({"text":19.9})", "19.9");
        row("whole number written as a fraction", R"({"text":20.0})", "20");
        row("beyond 2^53", R"({"text":123456789012345678901.5})", "123456789012345680000");
        row("1e21 and up in exponent form", R"({"text":1e21})", "1e+21");
        row("below 1e-6 in exponent form", R"({"text":1.5e-7})", "1.5e-7");
        row("bool leaves empty", R"({"text":true})", "", true);
        row("absent leaves empty", R"({})", "", true);
    }
    void textFieldConversions() {
        QFETCH(QByteArray, json);
        const auto model = ml::json::fromJson<Sample>(json);
        QVERIFY(model);
        QTEST(model->text, "expected");
        QTEST(model->text.isNull(), "null");
    }

    void numberFieldConversions_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<qint64>("id");
        QTest::addColumn<bool>("flag");
        QTest::addColumn<double>("ratio");
        QTest::newRow("64-bit id survives")
            << QByteArray(R"({"id":9223372036854775807})") << Q_INT64_C(9223372036854775807) << false << 0.0;
        QTest::newRow("numeric text")
            << QByteArray(R"({"id":"123456789012345","ratio":"0.25","flag":"true"})")
            << Q_INT64_C(123456789012345) << true << 0.25;
        QTest::newRow("non-numeric text")
            << QByteArray(R"({"id":"abc","ratio":"x","flag":"no"})") << Q_INT64_C(0) << false << 0.0;
        QTest::newRow("bool and number")
            << QByteArray(R"({"id":true,"flag":2,"ratio":3})") << Q_INT64_C(1) << true << 3.0;
        QTest::newRow("arrays are mismatches")
            << QByteArray(R"({"id":[1],"flag":[true],"ratio":{}})") << Q_INT64_C(0) << false << 0.0;
    }
    void numberFieldConversions() {
        QFETCH(QByteArray, json);
        const auto model = ml::json::fromJson<Sample>(json);
        QVERIFY(model);
        QTEST(model->id, "id");
        QTEST(model->flag, "flag");
        QTEST(model->ratio, "ratio");
    }

    void keyOverrideAndElementClasses() {
        const auto model = ml::json::fromJson<Sample>(QStringLiteral(
            R"({"desc":"wrong key","description":"说明","items":[{"name":"a","count":1},7,{"name":"b"}],)"
            R"("tags":["x",2,true],"single":{"name":"s","count":"5"},"raw":[[1,2],"z"]})"));
        QVERIFY(model);
        QCOMPARE(model->desc, u"说明"_s);
        QCOMPARE(model->items.size(), 2); // the non-object element is skipped
        QCOMPARE(model->items[0].name, u"a"_s);
        QCOMPARE(model->items[1].count, 0);
        QCOMPARE(model->tags, QStringList({u"x"_s, u"2"_s}));
        QCOMPARE(model->single.count, 5);
        QCOMPARE(model->raw.size(), 2);
        QVERIFY(model->raw.at(0).isArray());
    }

    void nonObjectsGiveNothing() {
        for (const QByteArray json : {"[1,2]", "12", "{not json", ""})
            QVERIFY2(!ml::json::fromJson<Sample>(json), json.constData());
        QVERIFY(!ml::json::fromJson<Sample>(QJsonValue(QJsonArray{1, 2})));
        QVERIFY(ml::json::arrayFromJson<Item>(QByteArray(R"({"name":"x"})")).isEmpty());
        const auto list =
            ml::json::arrayFromJson<Item>(QByteArray(R"([{"name":"一"},"x",{"name":"二","count":2}])"));
        QCOMPARE(list.size(), 2);
        QCOMPARE(list[1].name, u"二"_s);
    }

    void writesModelsBackExactly() {
        Sample sample;
        sample.text = u"字\"幕"_s;
        sample.id = Q_INT64_C(9223372036854775806);
        sample.desc = u"d"_s;
        sample.items = {Item{u"a"_s, 3}};
        const QString text = ml::json::toJsonString(sample);
        QVERIFY(text.contains(u"\"description\":\"d\""_s));
        QVERIFY(text.contains(u"9223372036854775806"_s));
        const auto back = ml::json::fromJson<Sample>(text);
        QVERIFY(back);
        QCOMPARE(back->text, sample.text);
        QCOMPARE(back->id, sample.id);
        QCOMPARE(back->items.size(), 1);
        QCOMPARE(back->items[0].count, 3);

        QCOMPARE(ml::json::toJsonString(QList<Item>{Item{u"x"_s, 1}}), uR"([{"count":1,"name":"x"}])"_s);
    }

    void currentUserReadAfreshAndSignOutKeepsAccount() {
        MLUserDefaults defaults(m_dir.filePath(u"a.ini"_s));
        MLUserManager manager(defaults);
        QVERIFY(!manager.currentUser());
        manager.setCurrentUser(MLUserModel{u"tok"_s});
        QCOMPARE(manager.currentUser()->token, u"tok"_s);

        defaults.setData(QByteArray("not an archive"), u"currentUser"_s);
        QVERIFY(!manager.currentUser());
        defaults.setData(MLKeyedArchive::archivedData(Row{u"x"_s}), u"currentUser"_s);
        QVERIFY(!manager.currentUser()); // an archive of another class is not a user
        defaults.setData(R"({"class":"MLUserModel","fields":3})", u"currentUser"_s);
        QVERIFY(!manager.currentUser());

        // Signing out removes what is stored (nothing to remove: false) but keeps the account's id.
        QList<bool> results;
        manager.logoutBlock([&](bool ok) { results << ok; });
        manager.logoutBlock([&](bool ok) { results << ok; });
        manager.setCurrentUser(MLUserModel{u"tok"_s});
        manager.setCurrentMineUser(MLMineModel{{}, {}, {}, {}, 42, {}});
        manager.logoutBlock([&](bool ok) { results << ok; });
        QCOMPARE(results, QList<bool>({true, false, true}));
        QVERIFY(!manager.currentUser());
        QCOMPARE(manager.consumerId(), 42);
    }

    void identifierIsDerivedFromTheMachineId() {
        MLUserDefaults defaults(m_dir.filePath(u"device.ini"_s));
        const QByteArray machineId = "4c4c4544004b3910804cb4c04f4e3132";
        const QString path = ml::test::writeFile(m_dir.path(), u"machine-id"_s, machineId + "\n");
        const QString id = RezirDeviceInfo::machineIdentifier(defaults, {path});
        QVERIFY(!QUuid::fromString(id).isNull());
        QCOMPARE(id, id.toUpper());
        QVERIFY(!QString(id)
                     .remove(QLatin1Char('-'))
                     .contains(QString::fromLatin1(machineId), Qt::CaseInsensitive));
        QCOMPARE(RezirDeviceInfo::machineIdentifier(defaults, {path}),
                 RezirDeviceInfo::machineIdentifier(defaults, {path}));
        const QString other =
            ml::test::writeFile(m_dir.path(), u"other-id"_s, "0123456789abcdef0123456789abcdef");
        QVERIFY(RezirDeviceInfo::machineIdentifier(defaults, {other}) !=
                RezirDeviceInfo::machineIdentifier(defaults, {path}));
        QVERIFY(!defaults.hasKey(QLatin1String(RezirDeviceInfo::kIdentifierKey)));
    }

    void withoutMachineIdARandomIdentifierIsKept_data() {
        QTest::addColumn<QByteArray>("content"); // empty: no file at all
        QTest::newRow("no file") << QByteArray();
        QTest::newRow("too short") << QByteArray("abc");
    }
    void withoutMachineIdARandomIdentifierIsKept() {
        QFETCH(QByteArray, content);
        const QString path = content.isNull() ? m_dir.filePath(u"absent"_s)
                                              : ml::test::writeFile(m_dir.path(), u"short-id"_s, content);
        const QString file = m_dir.filePath(u"id-%1.ini"_s.arg(QString::fromLatin1(QTest::currentDataTag())));
        QString first;
        {
            MLUserDefaults defaults(file);
            first = RezirDeviceInfo::machineIdentifier(defaults, {path});
            QVERIFY(!QUuid::fromString(first).isNull());
        }
        MLUserDefaults reopened(file); // survives a restart
        QCOMPARE(RezirDeviceInfo::machineIdentifier(reopened, {path}), first);
        MLUserDefaults fresh(
            m_dir.filePath(u"fresh-%1.ini"_s.arg(QString::fromLatin1(QTest::currentDataTag()))));
        QVERIFY(RezirDeviceInfo::machineIdentifier(fresh, {path}) != first);
    }

    void descriptionHoldsIdentifierAddressAndModel() {
        const QVariantMap info = RezirDeviceInfo::getDeviceInfo();
        QVERIFY(!QUuid::fromString(info.value(u"idfv"_s).toString()).isNull());
        QCOMPARE(RezirDeviceInfo::getDeviceInfo().value(u"idfv"_s), info.value(u"idfv"_s));
        // An address of this machine that is not loopback, or none at all.
        const QHostAddress address(info.value(u"ip"_s).toString());
        QCOMPARE(address.protocol(), QAbstractSocket::IPv4Protocol);
        QVERIFY(!address.isLoopback());
        QVERIFY(address == QHostAddress::AnyIPv4 || QNetworkInterface::allAddresses().contains(address));
        QVERIFY(!info.value(u"model"_s).toString().isEmpty());
    }
};

ML_TEST_MAIN(TestSession)
#include "tst_session.moc"
