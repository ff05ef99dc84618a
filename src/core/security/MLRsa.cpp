#include "core/security/MLRsa.h"

#include "core/security/MLSecurityLog.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

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

// Never prompt on a terminal for a pass phrase.
int noPassPhrase(char *, int, int, void *) {
    return 0;
}

// Leaves nothing on OpenSSL's per-thread error queue, where Qt's TLS would later find it.
QByteArray failed(const char *what) {
    qCWarning(lcSecurity) << "RSA recovery failed:" << what;
    ERR_clear_error();
    return {};
}

} // namespace

QByteArray MLRsa::publicDecrypt(const QByteArray &publicKeyPem, const QByteArray &cipherText) {
    if (publicKeyPem.isEmpty() || publicKeyPem.size() > INT_MAX)
        return failed("no key");
    const BioPtr bio(BIO_new_mem_buf(publicKeyPem.constData(), static_cast<int>(publicKeyPem.size())));
    if (!bio)
        return failed("out of memory");
    const PkeyPtr key(PEM_read_bio_PUBKEY(bio.get(), nullptr, noPassPhrase, nullptr));
    if (!key || !EVP_PKEY_is_a(key.get(), "RSA"))
        return failed("not an RSA public key");
    if (cipherText.size() != EVP_PKEY_get_size(key.get()))
        return failed("text is not one modulus long");

    const PkeyCtxPtr ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, key.get(), nullptr));
    if (!ctx || EVP_PKEY_verify_recover_init(ctx.get()) <= 0 ||
        EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING) <= 0)
        return failed("cannot set up");

    const auto *in = reinterpret_cast<const unsigned char *>(cipherText.constData());
    const auto inSize = static_cast<size_t>(cipherText.size());
    size_t outSize = 0;
    if (EVP_PKEY_verify_recover(ctx.get(), nullptr, &outSize, in, inSize) <= 0)
        return failed("cannot size");
    QByteArray out(static_cast<qsizetype>(outSize), Qt::Uninitialized);
    if (EVP_PKEY_verify_recover(ctx.get(), reinterpret_cast<unsigned char *>(out.data()), &outSize, in,
                                inSize) <= 0)
        return failed("text does not recover under this key");
    out.truncate(static_cast<qsizetype>(outSize));
    return out;
}
