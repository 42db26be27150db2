#pragma once
// The HTTPS camera's key and certificate: read from PEM files, or a self-signed
// pair made at start, as cameras ship.

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>
#include <string>

class CTlsCertificate {
public:
    // RSA 2048, signed with SHA-256, valid for ten years from an hour ago.
    bool Generate(const std::string& commonName, std::string* pError);
    bool Load(const std::string& certPath, const std::string& keyPath, std::string* pError);
    bool Save(const std::string& certPath, const std::string& keyPath) const;

    X509* Certificate() const { return m_pCert.get(); }
    EVP_PKEY* Key() const { return m_pKey.get(); }

private:
    std::unique_ptr<X509, decltype(&X509_free)> m_pCert{nullptr, X509_free};
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> m_pKey{nullptr, EVP_PKEY_free};
};
