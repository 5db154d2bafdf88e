#include "certificates.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace LocalServer {

namespace {

// Long enough for a day of demo; nothing outlives the process.
constexpr long kValiditySeconds = 30L * 24 * 3600;
constexpr long kBackdateSeconds = 3600; // tolerate a clock a little behind

bool addExtension(X509 *cert, X509 *issuer, int nid, const char *value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION *extension = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    if (!extension)
        return false;
    const bool added = X509_add_ext(cert, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return added;
}

bool setRandomSerial(X509 *cert)
{
    unsigned char bytes[16];
    if (RAND_bytes(bytes, sizeof bytes) != 1)
        return false;
    bytes[0] &= 0x7F; // positive
    BIGNUM *number = BN_bin2bn(bytes, sizeof bytes, nullptr);
    const bool set = number && BN_to_ASN1_INTEGER(number, X509_get_serialNumber(cert));
    BN_free(number);
    return set;
}

// `issuer` null: a self-signed authority.
Certificate makeCertificate(EVP_PKEY *key, const char *commonName, X509 *issuer,
                            EVP_PKEY *issuerKey)
{
    Certificate cert(X509_new());
    X509 *x = cert.get();
    if (!x || X509_set_version(x, 2) != 1 || !setRandomSerial(x) ||
        !X509_gmtime_adj(X509_getm_notBefore(x), -kBackdateSeconds) ||
        !X509_gmtime_adj(X509_getm_notAfter(x), kValiditySeconds) || X509_set_pubkey(x, key) != 1)
        return nullptr;
    X509_NAME *name = X509_get_subject_name(x);
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char *>("Tredora local server"), -1,
                               -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char *>(commonName), -1, -1, 0);
    X509 *signer = issuer ? issuer : x;
    if (X509_set_issuer_name(x, X509_get_subject_name(signer)) != 1)
        return nullptr;

    bool ok = addExtension(x, signer, NID_subject_key_identifier, "hash");
    if (issuer) {
        ok = ok && addExtension(x, signer, NID_authority_key_identifier, "keyid") &&
             addExtension(x, signer, NID_basic_constraints, "critical,CA:FALSE") &&
             addExtension(x, signer, NID_key_usage, "critical,digitalSignature") &&
             addExtension(x, signer, NID_ext_key_usage, "serverAuth") &&
             addExtension(x, signer, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
    } else {
        ok = ok && addExtension(x, signer, NID_basic_constraints, "critical,CA:TRUE") &&
             addExtension(x, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    }
    if (!ok || X509_sign(x, issuer ? issuerKey : key, EVP_sha256()) == 0)
        return nullptr;
    return cert;
}

} // namespace

void KeyDeleter::operator()(EVP_PKEY *key) const
{
    EVP_PKEY_free(key);
}

void CertificateDeleter::operator()(X509 *cert) const
{
    X509_free(cert);
}

ServerIdentity makeServerIdentity(const char *authorityName)
{
    ServerIdentity identity;
    // Elliptic-curve keys: made in a millisecond, where RSA keys would slow every test down.
    identity.caKey.reset(EVP_EC_gen("P-256"));
    identity.serverKey.reset(EVP_EC_gen("P-256"));
    if (!identity.caKey || !identity.serverKey)
        return {};
    identity.ca = makeCertificate(identity.caKey.get(), authorityName, nullptr, nullptr);
    if (!identity.ca)
        return {};
    identity.server = makeCertificate(identity.serverKey.get(), "127.0.0.1", identity.ca.get(),
                                      identity.caKey.get());
    return identity;
}

QByteArray toPem(X509 *cert)
{
    BIO *bio = BIO_new(BIO_s_mem());
    if (!bio)
        return {};
    QByteArray pem;
    if (PEM_write_bio_X509(bio, cert) == 1) {
        char *data = nullptr;
        const long size = BIO_get_mem_data(bio, &data);
        pem = QByteArray(data, int(size));
    }
    BIO_free(bio);
    return pem;
}

} // namespace LocalServer
