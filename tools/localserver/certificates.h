// Certificates made at start for the local update server: its own certificate authority and a
// server certificate for 127.0.0.1 / localhost signed by it. Nothing is read from disk.
#pragma once

#include <QByteArray>

#include <memory>

typedef struct x509_st X509;
typedef struct evp_pkey_st EVP_PKEY;

namespace LocalServer {

struct KeyDeleter
{
    void operator()(EVP_PKEY *key) const;
};
struct CertificateDeleter
{
    void operator()(X509 *cert) const;
};
using Key = std::unique_ptr<EVP_PKEY, KeyDeleter>;
using Certificate = std::unique_ptr<X509, CertificateDeleter>;

struct ServerIdentity
{
    Key caKey;
    Certificate ca;
    Key serverKey;
    Certificate server;
    bool isValid() const { return caKey && ca && serverKey && server; }
};

// A fresh authority named `authorityName` and a 127.0.0.1 / localhost server certificate.
ServerIdentity makeServerIdentity(const char *authorityName);

QByteArray toPem(X509 *cert);

} // namespace LocalServer
