#include "live/engine/NormalTranslationHelp.h"
#include "support/LiveEngineHarness.h"
#include "support/MLTestMain.h"

using namespace ml::test;

using Harness = LiveEngineHarness<NormalTranslationHelp>;

class TestNormalEngine : public QObject {
    Q_OBJECT

    std::unique_ptr<Harness> h;

    // Starts a session and waits until it runs.
    bool startRunning(const QString &from = QStringLiteral("zh-CN"),
                      const QString &to = QStringLiteral("en")) {
        h->engine->startTranslation(from, to);
        return QTest::qWaitFor([this] { return h->engine->state() == MLLiveEngine::State::Running; }, 5000);
    }
    bool stopAndWait() {
        h->engine->stopTranslation();
        return QTest::qWaitFor([this] { return h->engine->state() == MLLiveEngine::State::Idle; }, 5000);
    }

private Q_SLOTS:
    void init() { h = std::make_unique<Harness>(); }
    void cleanup() { h.reset(); }

    void startAsksForCredentialsThenReportsAndSetsUp() {
        h->engine->startTranslation(QStringLiteral("zh-CN"), QStringLiteral("en"));
        QVERIFY(h->overlayShown());
        QTRY_COMPARE(h->statuses, QList<bool>{true});
        QCOMPARE(h->times, QStringList{"00:00:01"});
        QVERIFY(h->lists.isEmpty());
        QCOMPARE(h->engine->strList(), QStringList{QString()});
        QVERIFY(!h->overlayShown());

        QStringList order;
        for (const StandinRequest &request : h->standin.server().receivedRequests())
            order << request.path;
        QCOMPARE(order, (QStringList{"/signature/getKeepupSin", "/signature/getMicrosoftSin7", kKeepupPath}));
        const QJsonObject sin = h->standin.server().receivedRequests().at(0).params;
        QCOMPARE(sin, (QJsonObject{{"from", "zh-CN"}, {"to", "en"}, {"osType", "4"}, {"costType", "7"}}));
        const QJsonObject credentials = h->standin.server().receivedRequests().at(1).params;
        QCOMPARE(credentials.value("keepupSin").toString(), h->engine->advancedModel().keepupSin);
        QCOMPARE(credentials.value("osType").toString(), QStringLiteral("4"));
        const QJsonObject report = h->standin.server().receivedRequests().at(2).params;
        QCOMPARE(report.value("keepupKey").toString(), h->engine->advancedModel().keepupKey);
        QCOMPARE(report.value("operateType").toString(), QStringLiteral("1"));
        QVERIFY(report.value("timestamp").toString().endsWith(QLatin1String("000")));

        QCOMPARE(h->engine->speechKey(), QLatin1String(StandinLiveRoutes::kSpeechKey));
        QCOMPARE(h->engine->serviceRegion(), QLatin1String(StandinLiveRoutes::kSpeechRegion));
        const QString folder = h->engine->storagePath();
        QVERIFY2(folder.startsWith(QStringLiteral("historicalRecord/10001/%1/")
                                       .arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")))),
                 qPrintable(folder));
        QVERIFY(folder.endsWith(QLatin1String("000")));
        QVERIFY(QDir(documents() + QLatin1Char('/') + folder).exists());

        QVERIFY(h->tick());
        QCOMPARE(h->times, (QStringList{"00:00:01", "00:00:02"}));
        QVERIFY(stopAndWait());
    }

    void elapsedTimeReadsOneHourAfter3600Ticks() {
        QVERIFY(startRunning());
        QVERIFY(h->tick(3600));
        QCOMPARE(h->times.size(), 3601);
        QCOMPARE(h->times.last(), QStringLiteral("01:00:01"));
        QVERIFY(stopAndWait());
    }

    // The first session of an engine reports on tick 31, a later one on tick 30, then every 30.
    void periodicReportsFollowTheCounter() {
        QVERIFY(startRunning());
        QCOMPARE(h->requests(kKeepupPath), 1);
        QVERIFY(h->tick(30));
        QTest::qWait(50);
        QCOMPARE(h->requests(kKeepupPath), 1);
        QVERIFY(h->tick());
        QTRY_COMPARE(h->requests(kKeepupPath), 2);
        QVERIFY(h->tick(29));
        QTest::qWait(50);
        QCOMPARE(h->requests(kKeepupPath), 2);
        QVERIFY(h->tick());
        QTRY_COMPARE(h->requests(kKeepupPath), 3);
        QVERIFY(stopAndWait());
        QTRY_COMPARE(h->requests(kEndPath), 1);

        QVERIFY(startRunning());
        QCOMPARE(h->requests(kKeepupPath), 4);
        QVERIFY(h->tick(29));
        QTest::qWait(50);
        QCOMPARE(h->requests(kKeepupPath), 4);
        QVERIFY(h->tick());
        QTRY_COMPARE(h->requests(kKeepupPath), 5);
        QVERIFY(stopAndWait());
    }

    void firstReportOutcome_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("runs");
        QTest::addColumn<QList<bool>>("statuses");
        QTest::addColumn<int>("endReports");
        QTest::newRow("low balance warning starts anyway") << "DIA003" << true << QList<bool>{true} << 0;
        QTest::newRow("exhausted stops") << "DIA004" << false << QList<bool>{false} << 1;
        QTest::newRow("used elsewhere stops") << "DIA006" << false << QList<bool>{false} << 1;
        QTest::newRow("other code leaves idle") << "DIA500" << false << QList<bool>{} << 0;
    }
    void firstReportOutcome() {
        QFETCH(QString, code);
        QFETCH(bool, runs);
        QFETCH(QList<bool>, statuses);
        QFETCH(int, endReports);
        const QString message = QStringLiteral("服务端消息 %1").arg(code);
        h->standin.server().injectFault(kKeepupPath, StandinFault::answer(code, message));
        h->engine->startTranslation(QStringLiteral("zh-CN"), QStringLiteral("en"));
        QTRY_VERIFY(h->toasts().contains(message));
        QTRY_VERIFY(h->engine->state() == (runs ? MLLiveEngine::State::Running : MLLiveEngine::State::Idle));
        QTest::qWait(150);
        QCOMPARE(h->statuses, statuses);
        QTRY_COMPARE(h->requests(kEndPath), endReports);
        // No session folder of this start: no transcript, no history row.
        QCOMPARE(h->rows().size(), 0);
        QCOMPARE(h->engine->storagePath().isEmpty(), !runs);
        if (runs) {
            QVERIFY(h->engine->downTimer());
            QVERIFY(stopAndWait());
            QCOMPARE(h->rows().size(), 1);
        } else {
            QVERIFY(!h->engine->downTimer());
        }
    }

    void credentialFailureLeavesTheEngineIdle_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<StandinFault>("fault");
        QTest::addColumn<QString>("message");
        QTest::newRow("usage signature refused")
            << "/signature/getKeepupSin" << StandinFault::answer("DIA500", "签名失败") << "签名失败";
        QTest::newRow("speech credentials refused")
            << "/signature/getMicrosoftSin7" << StandinFault::answer("DIA500", "凭证失败") << "凭证失败";
        QTest::newRow("connection dropped")
            << "/signature/getMicrosoftSin7" << StandinFault::drop() << "链接超时!";
    }
    void credentialFailureLeavesTheEngineIdle() {
        QFETCH(QString, path);
        QFETCH(StandinFault, fault);
        QFETCH(QString, message);
        h->standin.server().injectFault(path, fault);
        h->engine->startTranslation(QStringLiteral("zh-CN"), QStringLiteral("en"));
        QTRY_VERIFY(h->toasts().contains(message));
        QVERIFY(h->engine->state() == MLLiveEngine::State::Idle);
        QVERIFY(!h->overlayShown());
        QCOMPARE(h->requests(kKeepupPath), 0);
        QVERIFY(h->statuses.isEmpty());
        QVERIFY(h->times.isEmpty());
        // Nothing is stuck: the next start runs.
        QVERIFY(startRunning());
        QVERIFY(stopAndWait());
    }

    void periodicExhaustedReportStopsAtOnce() {
        QVERIFY(startRunning());
        h->recognized(result(MLSpeechRecognitionResult::TranslatedSpeech, "第一句", {{"en", "First"}}));
        h->standin.server().injectFault(kKeepupPath, StandinFault::answer("DIA004", "时长已用完"));
        QVERIFY(h->tick(31));
        QTRY_COMPARE(h->statuses, (QList<bool>{true, false}));
        QVERIFY(!h->engine->downTimer());
        QVERIFY(h->toasts().contains(QStringLiteral("时长已用完")));
        const qsizetype timesAtStop = h->times.size();
        // The delayed steps have not run yet.
        QCOMPARE(h->requests(kEndPath), 0);
        QCOMPARE(h->rows().size(), 0);
        QTRY_COMPARE(h->requests(kEndPath), 1);
        QTRY_VERIFY(h->engine->state() == MLLiveEngine::State::Idle);
        QCOMPARE(h->times.size(), timesAtStop);
        QCOMPARE(readTranscript(h->engine->storagePath()), QStringLiteral("第一句\nFirst\n\n"));
        const auto rows = h->rows();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().type, 2);
        QCOMPARE(rows.first().path, h->engine->storagePath());
    }

    void stallGuard_data() {
        QTest::addColumn<bool>("reportsSucceed");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<bool>("trips");
        QTest::newRow("39 ticks without success") << false << 39 << false;
        QTest::newRow("40 ticks without success") << false << 40 << true;
        QTest::newRow("reports succeed") << true << 100 << false;
    }
    void stallGuard() {
        QFETCH(bool, reportsSucceed);
        QFETCH(int, ticks);
        QFETCH(bool, trips);
        QVERIFY(startRunning());
        if (!reportsSucceed)
            h->standin.server().injectFault(kKeepupPath, StandinFault::answer("DIA500", "上报失败"), 10);
        for (int tick = 1; tick <= ticks; ++tick) {
            QVERIFY(h->tick());
            // Reports (ticks 31, 61, 91) are answered within the tick here, as within seconds in use.
            if (tick > 1 && tick % 30 == 1) {
                QTRY_COMPARE(h->requests(kKeepupPath), 1 + tick / 30);
                if (reportsSucceed)
                    QTRY_COMPARE(h->engine->successTime(), 1);
                else
                    QTRY_VERIFY(h->toasts().contains(QStringLiteral("上报失败")));
            }
        }
        // Any final event runs the guard, also one that is not a translated sentence.
        h->recognized(result(MLSpeechRecognitionResult::NoMatch, QString(), {}));
        const QList<bool> expected = trips ? QList<bool>{true, false} : QList<bool>{true};
        QCOMPARE(h->statuses, expected);
        QCOMPARE(h->toasts().contains(QString::fromUtf8(MLLiveEngine::kStallMessage)), trips);
        if (trips) {
            QTRY_COMPARE(h->requests(kEndPath), 1);
            QCOMPARE(h->rows().size(), 1);
        } else {
            QVERIFY(stopAndWait());
        }
    }

    void finalSentenceWithTrippedGuardStillReachesTheTranscript() {
        QVERIFY(startRunning());
        h->standin.server().injectFault(kKeepupPath, StandinFault::answer("DIA500", "上报失败"), 10);
        QVERIFY(h->tick(40));
        h->recognized(result(MLSpeechRecognitionResult::TranslatedSpeech, "最后一句", {{"en", "Last"}}));
        QCOMPARE(h->statuses, (QList<bool>{true, false}));
        QCOMPARE(h->engine->strList(), (QStringList{"最后一句\nLast", ""}));
        QTRY_VERIFY(h->engine->state() == MLLiveEngine::State::Idle);
        QCOMPARE(readTranscript(h->engine->storagePath()), QStringLiteral("最后一句\nLast\n\n"));
    }

    void captionRules_data() {
        QTest::addColumn<QList<QPair<char, MLSpeechRecognitionResult>>>("events");
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<int>("callbacks");
        using Events = QList<QPair<char, MLSpeechRecognitionResult>>;
        const int partial = MLSpeechRecognitionResult::TranslatingSpeech;
        const int final = MLSpeechRecognitionResult::TranslatedSpeech;
        QTest::newRow("partial overwrites the open entry")
            << Events{{'p', result(partial, "你", {{"en", "You"}})},
                      {'p', result(partial, "你好", {{"en", "Hello"}})}}
            << QStringList{"你好\nHello"} << 2;
        QTest::newRow("final closes the entry and opens a new one")
            << Events{{'p', result(partial, "你", {{"en", "You"}})},
                      {'f', result(final, "你好", {{"en", "Hello"}})}}
            << QStringList{"你好\nHello", ""} << 2;
        QTest::newRow("empty final text still closes its line")
            << Events{{'f', result(final, "", {{"en", "Hm"}})}} << QStringList{"\nHm", ""} << 1;
        QTest::newRow("final of another reason changes nothing")
            << Events{{'p', result(partial, "你", {{"en", "You"}})},
                      {'f', result(MLSpeechRecognitionResult::NoMatch, "", {})}}
            << QStringList{"你\nYou"} << 1;
        QTest::newRow("no translation into the target shows the sentence alone")
            << Events{{'f', result(final, "你好", {{"de", "Hallo"}})}} << QStringList{"你好", ""} << 1;
    }
    void captionRules() {
        using Events = QList<QPair<char, MLSpeechRecognitionResult>>;
        QFETCH(Events, events);
        QFETCH(QStringList, list);
        QFETCH(int, callbacks);
        QVERIFY(startRunning());
        for (const auto &[kind, r] : events) {
            if (kind == 'p')
                h->recognizing(r);
            else
                h->recognized(r);
        }
        QCOMPARE(h->engine->strList(), list);
        QCOMPARE(h->lists.size(), callbacks);
        QCOMPARE(h->lists.last(), list);
        QVERIFY(stopAndWait());
    }

    void transcriptOfTwoSentences() {
        const qint64 startedAt = QDateTime::currentSecsSinceEpoch() * 1000;
        QVERIFY(startRunning());
        const int final = MLSpeechRecognitionResult::TranslatedSpeech;
        h->recognizing(result(MLSpeechRecognitionResult::TranslatingSpeech, "大家", {{"en", "Every"}}));
        h->recognized(result(final, "大家好", {{"en", "Hello everyone"}}));
        h->recognized(result(final, "谢谢", {{"en", "Thanks"}}));
        const QStringList kept = h->lists.last();
        h->engine->stopTranslation();
        QCOMPARE(h->statuses, (QList<bool>{true, false}));
        QVERIFY(h->overlayShown());
        QTRY_VERIFY(h->engine->state() == MLLiveEngine::State::Idle);
        QTRY_VERIFY(!h->overlayShown());
        QCOMPARE(readTranscript(h->engine->storagePath()),
                 QStringLiteral("大家好\nHello everyone\n\n谢谢\nThanks\n\n"));
        const auto rows = h->rows();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().type, 2);
        QCOMPARE(rows.first().path, h->engine->storagePath());
        QVERIFY(rows.first().date.endsWith(QLatin1String("000")));
        QVERIFY(rows.first().date.toLongLong() >= startedAt); // the stop time
        QCOMPARE(h->meter().endCount(), 1);
        // The list stays as the session left it until the next session's set-up empties it silently.
        QCOMPARE(h->engine->strList(), kept);
        const qsizetype callbacks = h->lists.size();
        QVERIFY(startRunning());
        QCOMPARE(h->engine->strList(), QStringList{QString()});
        QCOMPARE(h->lists.size(), callbacks);
        QCOMPARE(kept, (QStringList{"大家好\nHello everyone", "谢谢\nThanks", ""}));
        QVERIFY(stopAndWait());
    }

    // Folders of the start second and the next ones already there (sessions started within the same
    // second) are left alone: the session takes the next free second.
    void aSessionNeverSharesAFolder() {
        const QString day = QStringLiteral("historicalRecord/%1/%2")
                                .arg(kConsumerId)
                                .arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
        const qint64 now = QDateTime::currentSecsSinceEpoch() * 1000;
        QStringList taken;
        for (qint64 stamp = now; stamp <= now + 5000; stamp += 1000) {
            taken << day + QLatin1Char('/') + QString::number(stamp);
            QVERIFY(QDir(documents()).mkpath(taken.last()));
            QVERIFY(AudioRecordManager::writeTranscript(QStringLiteral("earlier"), taken.last()));
        }
        QVERIFY(startRunning());
        h->recognized(result(MLSpeechRecognitionResult::TranslatedSpeech, "本场", {{"en", "This one"}}));
        QVERIFY(stopAndWait());
        const QString path = h->engine->storagePath();
        QVERIFY2(!taken.contains(path) && path.section('/', 0, -2) == day, qPrintable(path));
        QVERIFY(path.endsWith(QLatin1String("000")));
        QCOMPARE(readTranscript(path), QStringLiteral("本场\nThis one\n\n"));
        for (const QString &earlier : taken)
            QCOMPARE(readTranscript(earlier), QStringLiteral("earlier"));
        QCOMPARE(h->rows().value(0).path, path);
    }

    // A lost speech connection is made again with the same credentials, the captions going on in the
    // same list; a connection that does not come back, or refused credentials, end the session.
    void lostSpeechConnection_data() {
        QTest::addColumn<QString>("service");
        QTest::newRow("back at once") << QStringLiteral("back");
        QTest::newRow("gone") << QStringLiteral("gone");
        QTest::newRow("credentials refused") << QStringLiteral("refused");
    }
    void lostSpeechConnection() {
        QFETCH(QString, service);
        h->engine->setReconnectPause(10);
        QSignalSpy started(&h->speech, &StandinSpeechServer::sessionStarted);
        QVERIFY(startRunning());
        QTRY_COMPARE(started.size(), 1);
        const int final = MLSpeechRecognitionResult::TranslatedSpeech;
        h->recognized(result(final, "第一句", {{"en", "First"}}));
        h->speech.setAcceptingConnections(service != QLatin1String("gone"));
        if (service == QLatin1String("refused"))
            h->speech.refuseNextConnection();
        h->speech.dropConnections();
        if (service == QLatin1String("back")) {
            QTRY_COMPARE(started.size(), 2);
            h->recognized(result(final, "第二句", {{"en", "Second"}}));
            QCOMPARE(h->engine->strList(), (QStringList{"第一句\nFirst", "第二句\nSecond", ""}));
            QCOMPARE(h->engine->state(), MLLiveEngine::State::Running);
            QVERIFY(stopAndWait());
            return;
        }
        QTRY_VERIFY(h->toasts().contains(QString::fromUtf8(MLLiveEngine::kSpeechLostMessage)));
        QTRY_VERIFY(h->engine->state() == MLLiveEngine::State::Idle);
        QCOMPARE(h->statuses, (QList<bool>{true, false}));
        QCOMPARE(started.size(), 1);
        QTRY_COMPARE(h->meter().endCount(), 1);
        QCOMPARE(readTranscript(h->engine->storagePath()), QStringLiteral("第一句\nFirst\n\n"));
        QCOMPARE(h->rows().size(), 1);
    }

    void stopWithoutSessionFolderLeavesThePreviousSessionAlone() {
        QVERIFY(startRunning());
        h->recognized(result(MLSpeechRecognitionResult::TranslatedSpeech, "第一场", {{"en", "First"}}));
        QVERIFY(stopAndWait());
        const QString previous = h->engine->storagePath();
        QCOMPARE(readTranscript(previous), QStringLiteral("第一场\nFirst\n\n"));

        h->standin.server().injectFault(kKeepupPath, StandinFault::answer("DIA004", "时长已用完"));
        h->engine->startTranslation(QStringLiteral("zh-CN"), QStringLiteral("en"));
        QTRY_COMPARE(h->statuses, (QList<bool>{true, false, false}));
        QTRY_VERIFY(h->engine->state() == MLLiveEngine::State::Idle);
        QTRY_COMPARE(h->requests(kEndPath), 2);
        QCOMPARE(readTranscript(previous), QStringLiteral("第一场\nFirst\n\n"));
        QCOMPARE(h->rows().size(), 1);
    }

    void aSecondStopWhileOneIsPendingIsIgnored() {
        QVERIFY(startRunning());
        h->engine->stopTranslation();
        h->engine->stopTranslation();
        QTRY_VERIFY(h->engine->state() == MLLiveEngine::State::Idle);
        h->engine->stopTranslation(); // idle: nothing to stop
        QTest::qWait(200);
        QCOMPARE(h->statuses, (QList<bool>{true, false}));
        QCOMPARE(h->requests(kEndPath), 1);
        QCOMPARE(h->rows().size(), 1);
    }

    void eventsAfterTheStopAreIgnored() {
        QVERIFY(startRunning());
        h->engine->stopTranslation();
        // Within the 0.1 second the session's last events still count.
        h->recognized(result(MLSpeechRecognitionResult::TranslatedSpeech, "赶上了", {{"en", "In time"}}));
        QTRY_VERIFY(h->engine->state() == MLLiveEngine::State::Idle);
        h->recognized(result(MLSpeechRecognitionResult::TranslatedSpeech, "太晚了", {{"en", "Too late"}}));
        QCOMPARE(h->engine->strList(), (QStringList{"赶上了\nIn time", ""}));
        QCOMPARE(readTranscript(h->engine->storagePath()), QStringLiteral("赶上了\nIn time\n\n"));
    }

    void aSecondSessionOfTheAccountElsewhereIsStopped() {
        // Another device of the same account holds a metered session.
        const QString other = h->meter().issueKeepupSin(QString::number(kConsumerId), "7", "zh-CN", "en");
        const auto grant = h->meter().redeemKeepupSin(QString::number(kConsumerId), other, "7");
        QVERIFY(grant);
        QVERIFY(h->meter().keepup(grant->keepupKey).ok());
        h->engine->startTranslation(QStringLiteral("zh-CN"), QStringLiteral("en"));
        QTRY_COMPARE(h->statuses, QList<bool>{false});
        QTRY_COMPARE(h->requests(kEndPath), 1);
        QTRY_VERIFY(h->engine->state() == MLLiveEngine::State::Idle);
    }
};

ML_TEST_MAIN(TestNormalEngine)
#include "tst_normalengine.moc"
