// The cipher, digests and keys; the JSON model mapper and the session store built on them.
#include "core/model/MLJsonModel.h"
#include "core/net/MLAnswerJudge.h"
#include "core/net/MLEncryptOperation.h"
#include "core/security/MLDigest.h"
#include "core/security/MLRsa.h"
#include "core/security/MLStoredKeys.h"
#include "core/security/SecurityCore.h"
#include "core/session/MLKeyedArchive.h"
#include "core/session/MLMinePageBaseModel.h"
#include "core/session/MLUserManager.h"
#include "core/session/RezirDeviceInfo.h"
#include "live/ui/MLRegionModel.h"
#include "platform/kit/MLUserDefaults.h"
#include "support/MLTestMain.h"
#include "support/TestFiles.h"

#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkInterface>
#include <QTemporaryDir>
#include <QUuid>

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <limits>
#include <memory>

using namespace Qt::StringLiterals;

// Expected values below were made with `openssl enc -aes-128-cbc -K <key> -iv <iv>` and `md5sum`.
namespace {

const QByteArray kKey = QByteArray::fromHex("2b7e151628aed2a6abf7158809cf4f3c");
const QByteArray kIv = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
const QByteArray kWrongKey = QByteArray::fromHex("2b7e151628aed2a6abf7158809cf4f3d");
const QString kChineseHex = u"ec0770c8e4c873126ac181bf19a1c21403ba565ed8654fb03f9dfdedb13e89ae"_s;
const QString kEmptyObjectHex = u"dd83bd4bfe726aa2dd127e246dffdf59"_s;
const QString kPrivatePem = u"" ML_TEST_DATA_DIR "/../../standin/fixtures/rsa_private.pem"_s;

struct PkeyFree {
    void operator()(EVP_PKEY *k) const { EVP_PKEY_free(k); }
};
using PkeyPtr = std::unique_ptr<EVP_PKEY, PkeyFree>;

// What the service does with its private key: a PKCS#1 v1.5 text of raw bytes.
QByteArray privateEncrypt(const QByteArray &data) {
    const QByteArray pem = ml::test::readFile(kPrivatePem);
    BIO *bio = BIO_new_mem_buf(pem.constData(), static_cast<int>(pem.size()));
    PkeyPtr key(PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr));
    BIO_free(bio);
    EVP_PKEY_CTX *ctx = key ? EVP_PKEY_CTX_new_from_pkey(nullptr, key.get(), nullptr) : nullptr;
    QByteArray out(key ? EVP_PKEY_get_size(key.get()) : 0, '\0');
    size_t size = static_cast<size_t>(out.size());
    const bool ok = ctx && EVP_PKEY_sign_init(ctx) > 0 &&
                    EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PADDING) > 0 &&
                    EVP_PKEY_sign(ctx, reinterpret_cast<unsigned char *>(out.data()), &size,
                                  reinterpret_cast<const unsigned char *>(data.constData()),
                                  static_cast<size_t>(data.size())) > 0;
    EVP_PKEY_CTX_free(ctx);
    return ok ? out.left(static_cast<qsizetype>(size)) : QByteArray();
}

QJsonObject parseObject(const QString &json) {
    return QJsonDocument::fromJson(json.toUtf8()).object();
}

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

class TestSecurity : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    // Runs before any key is set in this process.
    void initTestCase() {
        QVERIFY(!SecurityCore::hasKey());
        QCOMPARE(SecurityCore::encryptString(u"Hello"_s), QString());
        QCOMPARE(SecurityCore::decryptString(kChineseHex), QString());
        SecurityCore::setKey(kKey.left(15), kIv);
        SecurityCore::setKey(kKey, kIv + "x");
        QVERIFY(!SecurityCore::hasKey());
    }

    void init() { SecurityCore::setKey(kKey, kIv); }

    // Text, its cipher text and its digest; a JSON object also makes exactly that envelope.
    void cipherVectors_data() {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("hex");
        QTest::addColumn<QString>("m5");
        QTest::newRow("ascii") << u"Hello"_s << u"a10259a5c40ebb322684c0843c677ba6"_s
                               << u"8b1a9953c4611296a827abf8c47804d7"_s;
        QTest::newRow("empty") << QString() << QString() << u"d41d8cd98f00b204e9800998ecf8427e"_s;
        // A decrypted answer is digested again: a leading BOM must come back unchanged.
        QTest::newRow("BOM kept") << u"\uFEFF{}"_s << u"e0857368998b82588239e43cd9e1a358"_s
                                  << u"057671d91413133a13a89fd6525c9bc3"_s;
        QTest::newRow("empty object") << u"{}"_s << kEmptyObjectHex << u"99914b932bd37a50b983c5e7c90ae93b"_s;
        QTest::newRow("chinese object")
            << u"{\"text\":\"你好，世界\"}"_s << kChineseHex << u"83eaec9fb5fe93849c7050c4b9d2081b"_s;
        QTest::newRow("exactly one block")
            << u"{\"a\":\"12345678\"}"_s
            << u"6386484a9dc1a99814a319d24c31e9f494f2a9027ceaf16a235d84a71fb06948"_s
            << u"558a9e24d76525c4849cb53aa1bb12e6"_s;
        QTest::newRow("64-bit integer, several keys")
            << u"{\"consumerId\":9007199254740993,\"languageType\":1,\"regionCode\":\"eastasia\"}"_s
            << u"de4c097404e04a1be49a811841d03daacd03b54b7eb40a5d05e46496a4cddb62b58a2ad3ddc0529a779869f4b9925397ee2efc5f89e1303eab9ad7853e27626c337bc09c498dcb30e593131fa20f7e4f"_s
            << u"3ac1038a0a7c47049bedf0ea595cf8b0"_s;
    }
    void cipherVectors() {
        QFETCH(QString, plain);
        QFETCH(QString, hex);
        QFETCH(QString, m5);
        QCOMPARE(SecurityCore::encryptString(plain), hex);
        QCOMPARE(SecurityCore::decryptString(hex), plain);
        QCOMPARE(SecurityCore::decryptString(QJsonValue(hex.toUpper())), plain);
        QCOMPARE(MLDigest::md5Hex(plain), m5);
        if (!plain.startsWith(u'{'))
            return;
        const QJsonObject parameters = parseObject(plain);
        const QJsonObject envelope{{u"dt"_s, hex}, {u"m5"_s, m5}};
        QCOMPARE(parseObject(MLEncryptOperation::returnRequestJsonToDic(parameters)), envelope);
        QCOMPARE(parseObject(MLEncryptOperation::returnRequestJsonToDic(parameters.toVariantMap())),
                 envelope);
    }

    // Where a request names its parameters in order, they go out in that order, each written as Qt
    // writes it; "m5" must digest exactly the text "dt" carries, or the service rejects the request.
    void orderedParametersKeepTheirOrder_data() {
        QTest::addColumn<MLOrderedParameters>("parameters");
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("none") << MLOrderedParameters() << QByteArray("{}");
        QTest::newRow("file job order")
            << MLOrderedParameters{{u"fileName"_s, u"报告.docx"_s},
                                   {u"fileSize"_s, 12},
                                   {u"from"_s, u"zh"_s},
                                   {u"durationSec"_s, 1.5}}
            << QByteArray(R"({"fileName":"报告.docx","fileSize":12,"from":"zh","durationSec":1.5})");
        QTest::newRow("escapes, a lone surrogate, 64-bit integers, nested values, undefined as null")
            << MLOrderedParameters{{u"z\n"_s, QString(u"\"\n😀"_s + QChar(0xD800))},
                                   {u"id"_s, qint64(9007199254740993)},
                                   {u"list"_s, QJsonArray{true, QJsonValue()}},
                                   {u"object"_s, QJsonObject{{u"b"_s, 1}, {u"a"_s, 2}}},
                                   {u"gone"_s, QJsonValue(QJsonValue::Undefined)}}
            << QByteArray("{\"z\\n\":\"\\\"\\n😀\\ud800\",\"id\":9007199254740993,\"list\":[true,null],"
                          "\"object\":{\"a\":2,\"b\":1},\"gone\":null}");
    }
    void orderedParametersKeepTheirOrder() {
        QFETCH(MLOrderedParameters, parameters);
        QFETCH(QByteArray, json);
        QCOMPARE(MLEncryptOperation::orderedJson(parameters), json);
        const QJsonObject envelope = parseObject(MLEncryptOperation::returnRequestJsonToDic(parameters));
        QCOMPARE(SecurityCore::decryptBytes(envelope.value(u"dt"_s)), std::optional(json));
        QCOMPARE(envelope.value(u"m5"_s).toString(), MLDigest::md5Hex(json));
    }

    // Damaged text, the wrong key or IV, and answers that are no text at all decrypt to nothing.
    void decryptRejects_data() {
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("iv");
        const auto row = [](const char *name, const QJsonValue &value, const QByteArray &key = kKey,
                            const QByteArray &iv = kIv) { QTest::newRow(name) << value << key << iv; };
        row("odd length", kChineseHex.chopped(1));
        row("first block only", kChineseHex.left(32));
        row("non-hex letters", QString(u"zz"_s + kChineseHex.mid(2)));
        // Qt's hex reader skips what is not a digit: what is left would decrypt.
        row("a block of letters that are not hex digits", QString(kChineseHex + QString(32, u'g')));
        row("space inside", QString(kChineseHex.left(31) + u' ' + kChineseHex.mid(32)));
        row("padding byte 0", u"9c91ebee369deb1db2f0b96cb79f039d"_s);
        row("padding bytes differ", u"65238c8596bb041a1f55883bde350e19"_s);
        row("padding byte 17", u"48370ee60be2cf45445019df3490a938"_s);
        row("no padding at all", u"64768548007aef9f3d258e5c34cdc21b"_s);
        row("not UTF-8", u"27c3b557605b2c4eb696c1c48aa0292a"_s);
        row("cut UTF-8 sequence", u"259fbb3f3a52d212069a7175132de7e4"_s);
        row("wrong key", kChineseHex, kWrongKey);
        row("wrong IV garbles the first block", kEmptyObjectHex, kKey, kWrongKey);
        // Decimal text of any 64-bit number is shorter than one block, so no number is a ciphertext.
        row("int64 max", std::numeric_limits<qint64>::max());
        row("huge double", 1.2345678901234567e31);
        row("null", QJsonValue());
        row("bool", true);
        row("array", QJsonArray{kChineseHex});
        row("object", QJsonObject{{u"dt"_s, kChineseHex}});
    }
    void decryptRejects() {
        QFETCH(QJsonValue, value);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, iv);
        SecurityCore::setKey(key, iv);
        ERR_clear_error();
        QCOMPARE(SecurityCore::decryptString(value), QString());
        // Only null stands for no data; anything else here is a failure.
        QCOMPARE(SecurityCore::decryptBytes(value).has_value(), value.isNull());
        if (value.isString())
            QCOMPARE(SecurityCore::decryptString(value.toString()), QString());
        // Errors left on OpenSSL's queue would be blamed on the next TLS operation of this thread.
        QCOMPARE(ERR_peek_error(), 0UL);
    }

    // An answer's sealed text is accepted only as well-formed UTF-8, as Qt's validator judges it.
    void sealedTextMustBeUtf8_data() {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<bool>("valid");
        QTest::newRow("empty text") << QByteArray("") << true;
        QTest::newRow("ASCII over two blocks") << QByteArray(40, 'a') << true;
        QTest::newRow("Chinese and emoji") << QByteArray("\xe4\xbd\xa0\xe5\xa5\xbd\xf0\x9f\x98\x80") << true;
        QTest::newRow("last code point") << QByteArray("\xf4\x8f\xbf\xbf") << true;
        QTest::newRow("noncharacter") << QByteArray("\xef\xbf\xbf") << true;
        QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << false;
        QTest::newRow("overlong three bytes") << QByteArray("\xe0\x80\xaf") << false;
        QTest::newRow("overlong four bytes") << QByteArray("\xf0\x8f\xbf\xbf") << false;
        QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << false;
        QTest::newRow("surrogate pair in three-byte halves")
            << QByteArray("\xed\xa0\xbd\xed\xb8\x80") << false;
        QTest::newRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << false;
        QTest::newRow("lead byte beyond F4") << QByteArray("\xf5\x80\x80\x80") << false;
        QTest::newRow("cut after an ASCII run") << QByteArray(20, 'a') + "\xe4\xb8" << false;
        QTest::newRow("cut four-byte sequence") << QByteArray("\xf0\x9f\x98") << false;
        QTest::newRow("stray continuation") << QByteArray("a\x80") << false;
        QTest::newRow("bad third byte") << QByteArray("\xe4\xb8\x41") << false;
    }
    void sealedTextMustBeUtf8() {
        QFETCH(QByteArray, plain);
        QFETCH(bool, valid);
        // The empty text seals to one block of sixteen padding bytes: the first block of their own seal.
        const QString dt =
            QString::fromLatin1(plain.isEmpty() ? SecurityCore::encryptHex(QByteArray(16, '\x10')).left(32)
                                                : SecurityCore::encryptHex(plain));
        QVERIFY(!dt.isEmpty());
        QJsonObject answer{{u"dt"_s, dt}, {u"m5"_s, MLDigest::md5Hex(plain)}};
        QCOMPARE(SecurityCore::decryptBytes(answer.value(u"dt"_s)),
                 valid ? std::optional(plain) : std::nullopt);
        QCOMPARE(MLAnswerJudge::digestMatches(answer), valid);
        QCOMPARE(SecurityCore::decryptString(dt).isEmpty(), !valid || plain.isEmpty());
        answer.insert(u"m5"_s, MLDigest::md5Hex(plain + 'x')); // a digest that does not match
        QVERIFY(!MLAnswerJudge::digestMatches(answer));
    }

    // At once, or on a worker thread (launch), whose recovery the first use of the cipher waits for.
    void storedKeyRecovers_data() {
        QTest::addColumn<bool>("inBackground");
        QTest::newRow("at once") << false;
        QTest::newRow("in the background") << true;
    }
    void storedKeyRecovers() {
        QFETCH(bool, inBackground);
        const QJsonObject vector = parseObject(
            QString::fromUtf8(ml::test::readFile(u"" ML_TEST_DATA_DIR "/security/stored_key_vector.json"_s)));
        const QString plain = vector.value(u"plainText"_s).toString();
        const QString hex = vector.value(u"cipherHex"_s).toString();
        QVERIFY(!plain.isEmpty() && !hex.isEmpty());
        QCOMPARE(SecurityCore::decryptString(hex), QString()); // not the test key's text

        if (inBackground)
            SecurityCore::beginStoredKeyRecovery();
        else
            QVERIFY(SecurityCore::recoverStoredKey());
        QCOMPARE(SecurityCore::decryptString(hex), plain);
        QCOMPARE(SecurityCore::encryptString(plain), hex);
    }

    void rsaRecovery_data() {
        const QByteArray pem(MLStoredKeys::publicKeyPem);
        const QByteArray stored = MLDigest::base64Decode(QString::fromLatin1(MLStoredKeys::keyText));
        QByteArray flipped = stored;
        flipped[100] = static_cast<char>(flipped[100] ^ 0x01);
        PkeyPtr otherKey(EVP_RSA_gen(2048));
        BIO *bio = BIO_new(BIO_s_mem());
        PEM_write_bio_PUBKEY(bio, otherKey.get());
        char *data = nullptr;
        const QByteArray otherPem(data, BIO_get_mem_data(bio, &data));
        BIO_free(bio);
        const QByteArray payload = QByteArray::fromHex("00ff10203040");

        QTest::addColumn<QByteArray>("pem");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("recovered"); // "?" for the 16 unknown bytes of the stored key
        // The private key the stand-in holds must belong to the public key the client embeds.
        QTest::newRow("stand-in's text") << pem << privateEncrypt(payload) << payload;
        QTest::newRow("stored key text") << pem << stored << QByteArray(16, '?');
        QTest::newRow("one bit flipped") << pem << flipped << QByteArray();
        QTest::newRow("one byte short") << pem << stored.chopped(1) << QByteArray();
        QTest::newRow("other public key") << otherPem << stored << QByteArray();
        QTest::newRow("private key PEM") << ml::test::readFile(kPrivatePem) << stored << QByteArray();
        QTest::newRow("empty PEM") << QByteArray() << stored << QByteArray();
    }
    void rsaRecovery() {
        QFETCH(QByteArray, pem);
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, recovered);
        ERR_clear_error();
        const QByteArray result = MLRsa::publicDecrypt(pem, text);
        QCOMPARE(result.size(), recovered.size());
        if (!recovered.startsWith('?'))
            QCOMPARE(result, recovered);
        QCOMPARE(ERR_peek_error(), 0UL);
    }

    void base64_data() {
        QTest::addColumn<QString>("base64");
        QTest::addColumn<QByteArray>("decoded");
        QTest::newRow("text") << u"aGVsbG8="_s << QByteArray("hello");
        QTest::newRow("bad character") << u"aGV$bG8="_s << QByteArray();
        QTest::newRow("non-ASCII") << u"aGVsbG8é"_s << QByteArray();
    }
    void base64() {
        QFETCH(QString, base64);
        QFETCH(QByteArray, decoded);
        QCOMPARE(MLDigest::base64Decode(base64), decoded);
        if (!decoded.isEmpty())
            QCOMPARE(MLDigest::base64Encode(decoded), base64);
    }

    // ---- the JSON model mapper and the session store ----

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
        // Past 2^53 a whole number is told by its text: a double keeps the shortest text of its
        // value, an integer is exact.
        row("double between 2^53 and 1e18", R"({"text":1.2345678901234567e17,"s":"1e17"})",
            "123456789012345660");
        row("integer between 2^53 and 1e18",
            "{\"s\":\"\\\"123456789012345664.0\",\"text\":123456789012345664}", "123456789012345664");
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

    // A number held as a double (as the application's own values are) past 2^53 is not an integer to
    // write out with its binary digits; below, a whole double is written as one.
    void doublesKeepTheirShortestText_data() {
        QTest::addColumn<double>("number");
        QTest::addColumn<QString>("expected");
        QTest::newRow("between 2^53 and 1e18") << 1.2345678901234567e17 << u"123456789012345660"_s;
        QTest::newRow("just past 2^53") << 9007199254740994.0 << u"9007199254740994"_s;
        QTest::newRow("whole, below 2^53") << 20.0 << u"20"_s;
        QTest::newRow("negative zero") << -0.0 << u"0"_s;
    }
    void doublesKeepTheirShortestText() {
        QFETCH(double, number);
        const auto model = ml::json::fromJson<Sample>(QJsonObject{{u"text"_s, number}});
        QVERIFY(model);
        QTEST(model->text, "expected");
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

    // The service sends some flags as text: "1" is true like "true", "0" false.
    void serviceFlagsReadFromText_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");
        QTest::newRow("hasNextPage 1") << u"hasNextPage"_s << u"1"_s << true;
        QTest::newRow("isLastPage 1") << u"isLastPage"_s << u"1"_s << true;
        QTest::newRow("defaultRegion 1") << u"defaultRegion"_s << u"1"_s << true;
        QTest::newRow("hasNextPage 0") << u"hasNextPage"_s << u"0"_s << false;
        QTest::newRow("defaultRegion 0") << u"defaultRegion"_s << u"0"_s << false;
    }
    void serviceFlagsReadFromText() {
        QFETCH(QString, key);
        QFETCH(QString, text);
        const QByteArray json = QJsonDocument(QJsonObject{{key, text}}).toJson();
        bool value = false;
        if (key == u"defaultRegion"_s) {
            const auto region = ml::json::fromJson<MLRegionModel>(json);
            QVERIFY(region);
            value = region->defaultRegion;
        } else {
            const auto page = ml::json::fromJson<MLMinePageBaseModel>(json);
            QVERIFY(page);
            value = key == u"hasNextPage"_s ? page->hasNextPage : page->isLastPage;
        }
        QTEST(value, "expected");
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

ML_TEST_MAIN(TestSecurity)
#include "tst_security.moc"
