// The crypto module (libml_crypto.so): MLCryptoBackend over OpenSSL's libcrypto.
#include "platform/crypto/MLCryptoBackend.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <QtGlobal>

#include <algorithm>
#include <climits>
#include <memory>

namespace {

template <typename T, void (*Free)(T *)> struct Deleter {
    void operator()(T *p) const { Free(p); }
};
void freeBio(BIO *bio) {
    BIO_free(bio);
}
using BioPtr = std::unique_ptr<BIO, Deleter<BIO, freeBio>>;
using PkeyPtr = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using PkeyCtxPtr = std::unique_ptr<EVP_PKEY_CTX, Deleter<EVP_PKEY_CTX, EVP_PKEY_CTX_free>>;
using CipherPtr = std::unique_ptr<EVP_CIPHER, Deleter<EVP_CIPHER, EVP_CIPHER_free>>;
using CipherCtxPtr = std::unique_ptr<EVP_CIPHER_CTX, Deleter<EVP_CIPHER_CTX, EVP_CIPHER_CTX_free>>;

// Never prompt on a terminal for a pass phrase.
int noPassPhrase(char *, int, int, void *) {
    return 0;
}

class OpenSslCrypto final : public MLCryptoBackend {
public:
    std::optional<qsizetype> aes128Cbc(bool encrypt, const unsigned char *key, const unsigned char *iv,
                                       const unsigned char *in, qsizetype size, unsigned char *out) override {
        // The cipher fetched once and one context per thread, reset by every initialisation: an implicit
        // fetch or a new context on every call would cost more than the cipher itself on short texts.
        static const CipherPtr cipher(EVP_CIPHER_fetch(nullptr, "AES-128-CBC", nullptr));
        thread_local const CipherCtxPtr ctx(EVP_CIPHER_CTX_new());
        if (!cipher || !ctx ||
            EVP_CipherInit_ex2(ctx.get(), cipher.get(), key, iv, encrypt ? 1 : 0, nullptr) <= 0)
            return failed();
        qsizetype written = 0;
        // EVP takes int lengths; feed very large inputs in pieces.
        constexpr qsizetype kChunk = qsizetype(1) << 30;
        for (qsizetype offset = 0; offset < size; offset += kChunk) {
            const int length = static_cast<int>(std::min(kChunk, size - offset));
            int produced = 0;
            if (EVP_CipherUpdate(ctx.get(), out + written, &produced, in + offset, length) <= 0)
                return failed();
            written += produced;
        }
        int produced = 0;
        if (EVP_CipherFinal_ex(ctx.get(), out + written, &produced) <= 0)
            return failed(); // bad padding
        return written + produced;
    }

    std::optional<QByteArray> rsaPublicDecrypt(const QByteArray &publicKeyPem, const QByteArray &cipherText,
                                               QString &why) override {
        const auto fail = [&why](const char *what) -> std::optional<QByteArray> {
            why = QString::fromLatin1(what);
            ERR_clear_error();
            return std::nullopt;
        };
        if (publicKeyPem.isEmpty() || publicKeyPem.size() > INT_MAX)
            return fail("no key");
        const BioPtr bio(BIO_new_mem_buf(publicKeyPem.constData(), static_cast<int>(publicKeyPem.size())));
        if (!bio)
            return fail("out of memory");
        const PkeyPtr key(PEM_read_bio_PUBKEY(bio.get(), nullptr, noPassPhrase, nullptr));
        if (!key || !EVP_PKEY_is_a(key.get(), "RSA"))
            return fail("not an RSA public key");
        if (cipherText.size() != EVP_PKEY_get_size(key.get()))
            return fail("text is not one modulus long");

        const PkeyCtxPtr ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, key.get(), nullptr));
        if (!ctx || EVP_PKEY_verify_recover_init(ctx.get()) <= 0 ||
            EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING) <= 0)
            return fail("cannot set up");

        const auto *in = reinterpret_cast<const unsigned char *>(cipherText.constData());
        const auto inSize = static_cast<size_t>(cipherText.size());
        size_t outSize = 0;
        if (EVP_PKEY_verify_recover(ctx.get(), nullptr, &outSize, in, inSize) <= 0)
            return fail("cannot size");
        QByteArray out(static_cast<qsizetype>(outSize), Qt::Uninitialized);
        if (EVP_PKEY_verify_recover(ctx.get(), reinterpret_cast<unsigned char *>(out.data()), &outSize, in,
                                    inSize) <= 0)
            return fail("text does not recover under this key");
        out.truncate(static_cast<qsizetype>(outSize));
        return out;
    }

private:
    static std::optional<qsizetype> failed() {
        ERR_clear_error();
        return std::nullopt;
    }
};

} // namespace

extern "C" Q_DECL_EXPORT MLCryptoBackend *ml_crypto_backend() {
    static OpenSslCrypto backend;
    return &backend;
}
