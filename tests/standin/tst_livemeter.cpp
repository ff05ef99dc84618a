#include "StandinLiveMeter.h"
#include "support/MLTestMain.h"

// The stand-in's metering is what the live engines' heartbeat tests stand on: the warning, the
// exhausted balance and the second session of one account must come exactly when described.
class TestLiveMeter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void reportsDrawOnTheBalance_data() {
        QTest::addColumn<qint64>("balance");
        QTest::addColumn<QStringList>("codes");
        // 30 s per report, warning below 60 s left.
        QTest::newRow("plenty") << qint64(300) << QStringList{"SUCCESS", "SUCCESS", "SUCCESS"};
        QTest::newRow("runs low") << qint64(120)
                                  << QStringList{"SUCCESS", "SUCCESS", "DIA003", "DIA003", "DIA004"};
        QTest::newRow("empty from the start") << qint64(0) << QStringList{"DIA004"};
        QTest::newRow("less than one report") << qint64(10) << QStringList{"DIA003", "DIA004"};
    }
    void reportsDrawOnTheBalance() {
        QFETCH(qint64, balance);
        QFETCH(QStringList, codes);
        StandinLiveMeter meter;
        meter.setLowBalanceSeconds(60);
        meter.setBalanceSeconds(QStringLiteral("7"), balance);
        const auto grant = meter.redeemKeepupSin(
            QStringLiteral("7"), meter.issueKeepupSin(QStringLiteral("7"), "7", "zh-CN", "en"),
            QStringLiteral("7"));
        QVERIFY(grant);
        QStringList got;
        for (int i = 0; i < codes.size(); ++i)
            got << meter.keepup(grant->keepupKey).code;
        QCOMPARE(got, codes);
    }

    void signaturesAreRedeemedOnceByTheirOwnAccountAndCostType() {
        StandinLiveMeter meter;
        const QString sin = meter.issueKeepupSin(QStringLiteral("1"), "8", "en-US", "zh-Hans");
        QVERIFY(!meter.redeemKeepupSin(QStringLiteral("2"), sin, QStringLiteral("8")));
        QVERIFY(!meter.redeemKeepupSin(QStringLiteral("1"), sin, QStringLiteral("7")));
        const auto grant = meter.redeemKeepupSin(QStringLiteral("1"), sin, QStringLiteral("8"));
        QVERIFY(grant);
        QCOMPARE(grant->to, QStringLiteral("zh-Hans"));
        QVERIFY(meter.isTranslateAuthValid(grant->txtTranslateAuth));
        QVERIFY(!meter.redeemKeepupSin(QStringLiteral("1"), sin, QStringLiteral("8")));
        QCOMPARE(meter.keepup(QStringLiteral("no such key")).code, QStringLiteral("DIA010"));
    }

    void aSecondSessionOfOneAccountIsRefusedUntilTheFirstEnds() {
        StandinLiveMeter meter;
        QDateTime now = QDateTime::currentDateTimeUtc();
        meter.setClock([&now] { return now; });
        const auto session = [&] {
            return *meter.redeemKeepupSin(QStringLiteral("5"),
                                          meter.issueKeepupSin(QStringLiteral("5"), "7", "zh-CN", "en"),
                                          QStringLiteral("7"));
        };
        const auto first = session();
        const auto second = session();
        QCOMPARE(meter.keepup(first.keepupKey).code, QStringLiteral("SUCCESS"));
        QCOMPARE(meter.keepup(second.keepupKey).code, QStringLiteral("DIA006"));
        QCOMPARE(meter.keepup(first.keepupKey).code, QStringLiteral("SUCCESS"));
        QVERIFY(meter.endTranslate(first.keepupKey).ok());
        QCOMPARE(meter.keepup(second.keepupKey).code, QStringLiteral("SUCCESS"));
        // A session that stopped reporting without an end no longer blocks its account.
        const auto third = session();
        QCOMPARE(meter.keepup(third.keepupKey).code, QStringLiteral("DIA006"));
        now = now.addSecs(91);
        QCOMPARE(meter.keepup(third.keepupKey).code, QStringLiteral("SUCCESS"));
    }

    void translateAuthorisationsExpireAndAreRenewed() {
        StandinLiveMeter meter;
        QDateTime now = QDateTime::currentDateTimeUtc();
        meter.setClock([&now] { return now; });
        meter.setTranslateAuthLifetimeMs(1000);
        const auto grant = *meter.redeemKeepupSin(
            QStringLiteral("3"), meter.issueKeepupSin(QStringLiteral("3"), "8", "en-US", "zh-Hans"), "8");
        now = now.addMSecs(1001);
        QVERIFY(!meter.isTranslateAuthValid(grant.txtTranslateAuth));
        const auto renewed = meter.renewTranslateAuth(grant.keepupKey, QStringLiteral("expired"));
        QVERIFY(renewed);
        QVERIFY(*renewed != grant.txtTranslateAuth);
        QVERIFY(meter.isTranslateAuthValid(*renewed));
        QCOMPARE(meter.grant(grant.keepupKey)->txtTranslateAuth, *renewed);
        QVERIFY(!meter.renewTranslateAuth(QStringLiteral("unknown"), QString()));
        QCOMPARE(meter.renewalMessages(), (QStringList{"expired", QString()}));
    }
};

ML_TEST_MAIN(TestLiveMeter)
#include "tst_livemeter.moc"
