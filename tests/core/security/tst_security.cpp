#include "core/net/MLEncryptOperation.h"
#include "core/security/MLDigest.h"
#include "core/security/MLRsa.h"
#include "core/security/MLStoredKeys.h"
#include "core/security/SecurityCore.h"
#include "support/MLTestMain.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <limits>
#include <memory>

// Expected values below were made with `openssl enc -aes-128-cbc -K <key> -iv <iv>` and `md5sum`.
namespace {

const QByteArray kKey = QByteArray::fromHex("2b7e151628aed2a6abf7158809cf4f3c");
const QByteArray kIv = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
const QByteArray kWrongKey = QByteArray::fromHex("2b7e151628aed2a6abf7158809cf4f3d");

const QString kChineseHex =
    QStringLiteral("ec0770c8e4c873126ac181bf19a1c21403ba565ed8654fb03f9dfdedb13e89ae");

struct PkeyFree {
    void operator()(EVP_PKEY *k) const { EVP_PKEY_free(k); }
};
using PkeyPtr = std::unique_ptr<EVP_PKEY, PkeyFree>;

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

PkeyPtr fixturePrivateKey() {
    const QByteArray pem =
        readFile(QStringLiteral(ML_TEST_DATA_DIR "/../../standin/fixtures/rsa_private.pem"));
    BIO *bio = BIO_new_mem_buf(pem.constData(), static_cast<int>(pem.size()));
    PkeyPtr key(PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr));
    BIO_free(bio);
    return key;
}

// What the service does with its private key: a PKCS#1 v1.5 text of raw bytes.
QByteArray privateEncrypt(EVP_PKEY *key, const QByteArray &data) {
    EVP_PKEY_CTX *ctx = EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr);
    QByteArray out(EVP_PKEY_get_size(key), '\0');
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

} // namespace

class TestSecurity : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Runs before any key is set in this process.
    void initTestCase() {
        QVERIFY(!SecurityCore::hasKey());
        QCOMPARE(SecurityCore::encryptString(QStringLiteral("Hello")), QString());
        QCOMPARE(SecurityCore::decryptString(kChineseHex), QString());
        SecurityCore::setKey(kKey.left(15), kIv);
        SecurityCore::setKey(kKey, kIv + "x");
        QVERIFY(!SecurityCore::hasKey());
    }

    void init() { SecurityCore::setKey(kKey, kIv); }

    void envelopeMatchesKnownVectors_data() {
        QTest::addColumn<QString>("json");
        QTest::addColumn<QString>("dt");
        QTest::addColumn<QString>("m5");
        QTest::newRow("empty object")
            << QStringLiteral("{}") << QStringLiteral("dd83bd4bfe726aa2dd127e246dffdf59")
            << QStringLiteral("99914b932bd37a50b983c5e7c90ae93b");
        QTest::newRow("chinese") << QStringLiteral(u"{\"text\":\"你好，世界\"}") << kChineseHex
                                 << QStringLiteral("83eaec9fb5fe93849c7050c4b9d2081b");
        QTest::newRow("exactly one block")
            << QStringLiteral("{\"a\":\"12345678\"}")
            << QStringLiteral("6386484a9dc1a99814a319d24c31e9f494f2a9027ceaf16a235d84a71fb06948")
            << QStringLiteral("558a9e24d76525c4849cb53aa1bb12e6");
        QTest::newRow("exactly two blocks")
            << QStringLiteral("{\"a\":\"123456789012345678901234\"}")
            << QStringLiteral("b69dd80181646e6adebe0ce3048ca255d152d0bcc5225e1e39267166588c2595"
                              "65503410d27b661b8b2d6aef5984dc57")
            << QStringLiteral("ae5ab1e06106fe68b878527cff267c03");
        QTest::newRow("64-bit integer, several keys")
            << QStringLiteral(
                   "{\"consumerId\":9007199254740993,\"languageType\":1,\"regionCode\":\"eastasia\"}")
            << QStringLiteral("de4c097404e04a1be49a811841d03daacd03b54b7eb40a5d05e46496a4cddb62"
                              "b58a2ad3ddc0529a779869f4b9925397ee2efc5f89e1303eab9ad7853e27626c"
                              "337bc09c498dcb30e593131fa20f7e4f")
            << QStringLiteral("3ac1038a0a7c47049bedf0ea595cf8b0");
    }
    void envelopeMatchesKnownVectors() {
        QFETCH(QString, json);
        QFETCH(QString, dt);
        QFETCH(QString, m5);
        const QJsonObject parameters = parseObject(json);
        for (const QString &text : {MLEncryptOperation::returnRequestJsonToDic(parameters),
                                    MLEncryptOperation::returnRequestJsonToDic(parameters.toVariantMap())}) {
            const QJsonObject envelope = parseObject(text);
            QCOMPARE(envelope.keys(), QStringList({QStringLiteral("dt"), QStringLiteral("m5")}));
            QCOMPARE(envelope.value(QLatin1String("dt")).toString(), dt);
            QCOMPARE(envelope.value(QLatin1String("m5")).toString(), m5);
            const QString decrypted = SecurityCore::decryptString(envelope.value(QLatin1String("dt")));
            QCOMPARE(decrypted, json);
            QCOMPARE(MLDigest::md5Hex(decrypted), m5);
        }
    }

    // "m5" must digest exactly what "dt" carries, whatever the parameters hold, or the service
    // rejects the request.
    void envelopeDigestMatchesCarriedText_data() {
        QTest::addColumn<QJsonObject>("parameters");
        QTest::newRow("lone surrogate") << QJsonObject{{QStringLiteral("t"), QString(QChar(0xD800))}};
        QTest::newRow("controls and emoji")
            << QJsonObject{{QStringLiteral("t"), QStringLiteral(u"a\u0001\n\"😀/")}};
        QTest::newRow("nested") << QJsonObject{
            {QStringLiteral("list"), QJsonArray{1, 2.5, true, QJsonValue()}},
            {QStringLiteral("o"), QJsonObject{{QStringLiteral("k"), 0}}}};
        QTest::newRow("64 KB of text") << QJsonObject{{QStringLiteral("t"), QString(32768, QChar(0x8BD1))}};
    }
    void envelopeDigestMatchesCarriedText() {
        QFETCH(QJsonObject, parameters);
        const QJsonObject envelope = parseObject(MLEncryptOperation::returnRequestJsonToDic(parameters));
        const QString decrypted = SecurityCore::decryptString(envelope.value(QLatin1String("dt")));
        QVERIFY(!decrypted.isEmpty());
        QCOMPARE(MLDigest::md5Hex(decrypted), envelope.value(QLatin1String("m5")).toString());
        QCOMPARE(parseObject(decrypted).keys(), parameters.keys());
    }

    void textCipherMatchesKnownVectors_data() {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("hex");
        QTest::newRow("ascii") << QStringLiteral("Hello")
                               << QStringLiteral("a10259a5c40ebb322684c0843c677ba6");
        QTest::newRow("chinese") << QStringLiteral(u"同声传译")
                                 << QStringLiteral("d42b668b3b270044db611797e0fa42cf");
        QTest::newRow("empty") << QString() << QString();
    }
    void textCipherMatchesKnownVectors() {
        QFETCH(QString, plain);
        QFETCH(QString, hex);
        QCOMPARE(SecurityCore::encryptString(plain), hex);
        QCOMPARE(SecurityCore::decryptString(hex), plain);
        QCOMPARE(SecurityCore::decryptString(hex.toUpper()), plain);
    }

    // A decrypted answer is digested again; its bytes must come back unchanged, a leading BOM included.
    void decryptKeepsBytesExactly() {
        const QString text = SecurityCore::decryptString(QStringLiteral("e0857368998b82588239e43cd9e1a358"));
        QCOMPARE(text, QStringLiteral(u"\uFEFF{}"));
        QCOMPARE(MLDigest::md5Hex(text), QStringLiteral("057671d91413133a13a89fd6525c9bc3"));
    }

    void decryptRejectsDamagedInput_data() {
        QTest::addColumn<QString>("hex");
        QTest::newRow("odd length") << kChineseHex.chopped(1);
        QTest::newRow("partial block") << kChineseHex.left(30);
        QTest::newRow("first block only") << kChineseHex.left(32);
        QTest::newRow("non-hex letters") << QStringLiteral("zz") + kChineseHex.mid(2);
        QTest::newRow("full-width digits") << QString(32, QChar(0xFF10));
        QTest::newRow("space inside") << kChineseHex.left(31) + QLatin1Char(' ') + kChineseHex.mid(32);
        QString separated;
        for (qsizetype i = 0; i < kChineseHex.size(); i += 2)
            separated += kChineseHex.mid(i, 2) + QLatin1Char(':');
        QTest::newRow("separators between digits") << separated; // as many bytes as the text, if skipped
        QTest::newRow("0x prefix") << QStringLiteral("0x") + kChineseHex.mid(2);
        QTest::newRow("padding byte 0") << QStringLiteral("9c91ebee369deb1db2f0b96cb79f039d");
        QTest::newRow("padding bytes differ") << QStringLiteral("65238c8596bb041a1f55883bde350e19");
        QTest::newRow("padding byte 17") << QStringLiteral("48370ee60be2cf45445019df3490a938");
        QTest::newRow("no padding at all") << QStringLiteral("64768548007aef9f3d258e5c34cdc21b");
        QTest::newRow("not UTF-8") << QStringLiteral("27c3b557605b2c4eb696c1c48aa0292a");
        QTest::newRow("cut UTF-8 sequence") << QStringLiteral("259fbb3f3a52d212069a7175132de7e4");
    }
    void decryptRejectsDamagedInput() {
        QFETCH(QString, hex);
        ERR_clear_error();
        QCOMPARE(SecurityCore::decryptString(hex), QString());
        QCOMPARE(SecurityCore::decryptString(QJsonValue(hex)), QString());
        // Errors left on OpenSSL's queue would be blamed on the next TLS operation of this thread.
        QCOMPARE(ERR_peek_error(), 0UL);
    }

    void decryptUnderWrongKeyIsEmpty() {
        SecurityCore::setKey(kWrongKey, kIv);
        QCOMPARE(SecurityCore::decryptString(kChineseHex), QString());
        QCOMPARE(SecurityCore::decryptString(QStringLiteral("dd83bd4bfe726aa2dd127e246dffdf59")), QString());
        SecurityCore::setKey(kKey, kWrongKey); // a wrong IV garbles the first block
        QCOMPARE(SecurityCore::decryptString(QStringLiteral("dd83bd4bfe726aa2dd127e246dffdf59")), QString());
    }

    void decryptAnswerValue_data() {
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("string") << QJsonValue(kChineseHex) << QStringLiteral(u"{\"text\":\"你好，世界\"}");
        QTest::newRow("upper-case string")
            << QJsonValue(kChineseHex.toUpper()) << QStringLiteral(u"{\"text\":\"你好，世界\"}");
        QTest::newRow("empty string") << QJsonValue(QString()) << QString();
        // Decimal text of any 64-bit number is shorter than one block, so no number is a ciphertext.
        QTest::newRow("int64 max") << QJsonValue(std::numeric_limits<qint64>::max()) << QString();
        QTest::newRow("int64 min") << QJsonValue(std::numeric_limits<qint64>::min()) << QString();
        QTest::newRow("huge double") << QJsonValue(1.2345678901234567e31) << QString();
        QTest::newRow("null") << QJsonValue() << QString();
        QTest::newRow("absent") << QJsonObject().value(QLatin1String("dt")) << QString();
        QTest::newRow("bool") << QJsonValue(true) << QString();
        QTest::newRow("array") << QJsonValue(QJsonArray{kChineseHex}) << QString();
        QTest::newRow("object") << QJsonValue(QJsonObject{{QStringLiteral("dt"), kChineseHex}}) << QString();
    }
    void decryptAnswerValue() {
        QFETCH(QJsonValue, value);
        QFETCH(QString, expected);
        QCOMPARE(SecurityCore::decryptString(value), expected);
    }

    void storedKeyRecovers() {
        const QJsonObject vector = parseObject(
            QString::fromUtf8(readFile(QStringLiteral(ML_TEST_DATA_DIR "/security/stored_key_vector.json"))));
        const QString plain = vector.value(QLatin1String("plainText")).toString();
        const QString hex = vector.value(QLatin1String("cipherHex")).toString();
        QVERIFY(!plain.isEmpty() && !hex.isEmpty());
        QCOMPARE(SecurityCore::decryptString(hex), QString()); // not the test key's text

        QVERIFY(SecurityCore::recoverStoredKey());
        QVERIFY(SecurityCore::hasKey());
        QCOMPARE(SecurityCore::decryptString(hex), plain);
        QCOMPARE(SecurityCore::encryptString(plain), hex);
    }

    // The private key the stand-in holds must belong to the public key the client embeds.
    void standinPrivateKeyMatchesEmbeddedPublicKey() {
        const PkeyPtr privateKey = fixturePrivateKey();
        QVERIFY(privateKey);
        QCOMPARE(EVP_PKEY_get_bits(privateKey.get()), 2048);
        const QByteArray payload = QByteArray::fromHex("00ff10203040");
        QCOMPARE(MLRsa::publicDecrypt(QByteArray(MLStoredKeys::publicKeyPem),
                                      privateEncrypt(privateKey.get(), payload)),
                 payload);
    }

    void rsaRecoveryRejectsBadInput_data() {
        const QByteArray pem(MLStoredKeys::publicKeyPem);
        const QByteArray stored = MLDigest::base64Decode(QString::fromLatin1(MLStoredKeys::keyText));
        QByteArray flipped = stored;
        flipped[100] = static_cast<char>(flipped[100] ^ 0x01);
        QByteArray privatePem =
            readFile(QStringLiteral(ML_TEST_DATA_DIR "/../../standin/fixtures/rsa_private.pem"));
        PkeyPtr otherKey(EVP_RSA_gen(2048));
        BIO *bio = BIO_new(BIO_s_mem());
        PEM_write_bio_PUBKEY(bio, otherKey.get());
        char *data = nullptr;
        const QByteArray otherPem(data, BIO_get_mem_data(bio, &data));
        BIO_free(bio);

        QTest::addColumn<QByteArray>("pem");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("recoveredSize");
        QTest::newRow("stored key text") << pem << stored << 16;
        QTest::newRow("one bit flipped") << pem << flipped << 0;
        QTest::newRow("one byte short") << pem << stored.chopped(1) << 0;
        QTest::newRow("one byte long") << pem << stored + '\0' << 0;
        QTest::newRow("empty text") << pem << QByteArray() << 0;
        QTest::newRow("other public key") << otherPem << stored << 0;
        QTest::newRow("private key PEM") << privatePem << stored << 0;
        QTest::newRow("garbage PEM") << QByteArray(
                                            "-----BEGIN PUBLIC KEY-----\nAAAA\n-----END PUBLIC KEY-----\n")
                                     << stored << 0;
        QTest::newRow("empty PEM") << QByteArray() << stored << 0;
    }
    void rsaRecoveryRejectsBadInput() {
        QFETCH(QByteArray, pem);
        QFETCH(QByteArray, text);
        QFETCH(int, recoveredSize);
        ERR_clear_error();
        QCOMPARE(MLRsa::publicDecrypt(pem, text).size(), recoveredSize);
        QCOMPARE(ERR_peek_error(), 0UL);
    }

    void digestAndBase64_data() {
        QTest::addColumn<QString>("base64");
        QTest::addColumn<QByteArray>("decoded");
        QTest::newRow("text") << QStringLiteral("aGVsbG8=") << QByteArray("hello");
        QTest::newRow("binary") << QStringLiteral("AP8Q") << QByteArray::fromHex("00ff10");
        QTest::newRow("empty") << QString() << QByteArray();
        QTest::newRow("bad character") << QStringLiteral("aGV$bG8=") << QByteArray();
        QTest::newRow("space inside") << QStringLiteral("aGVs bG8=") << QByteArray();
        QTest::newRow("non-ASCII") << QStringLiteral(u"aGVsbG8é") << QByteArray();
        QTest::newRow("data after padding") << QStringLiteral("aGVsbG8=aGVs") << QByteArray();
    }
    void digestAndBase64() {
        QFETCH(QString, base64);
        QFETCH(QByteArray, decoded);
        QCOMPARE(MLDigest::base64Decode(base64), decoded);
        if (!decoded.isEmpty())
            QCOMPARE(MLDigest::base64Encode(decoded), base64);
    }

    void md5IsLowerCaseHexOfUtf8() {
        QCOMPARE(MLDigest::md5Hex(QString()), QStringLiteral("d41d8cd98f00b204e9800998ecf8427e"));
        QCOMPARE(MLDigest::md5Hex(QStringLiteral(u"同声传译")),
                 QStringLiteral("bf2c81a679969100cf96636f201ea295"));
        QCOMPARE(MLDigest::md5Hex(QByteArray("\xef\xbb\xbf{}")),
                 QStringLiteral("057671d91413133a13a89fd6525c9bc3"));
    }
};

ML_TEST_MAIN(TestSecurity)
#include "tst_security.moc"
