#include "tools/camera/CTlsCertificate.h"

#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>

#include <cstdint>
#include <cstdio>

namespace {

constexpr long kTenYears = 10L * 365 * 24 * 3600;

using File = std::unique_ptr<std::FILE, decltype(&std::fclose)>;

File OpenFile(const std::string& path, const char* mode) { return File(std::fopen(path.c_str(), mode), std::fclose); }

}  // namespace

bool CTlsCertificate::Generate(const std::string& commonName, std::string* pError)
{
    m_pKey.reset(EVP_RSA_gen(2048));
    m_pCert.reset(X509_new());
    X509* pCert = m_pCert.get();
    uint64_t serial = 0;
    RAND_bytes(reinterpret_cast<unsigned char*>(&serial), sizeof(serial));
    X509_NAME* pName = pCert ? X509_get_subject_name(pCert) : nullptr;
    const auto* cn = reinterpret_cast<const unsigned char*>(commonName.c_str());
    const bool ok = m_pKey && pName && X509_set_version(pCert, 2) &&
                    ASN1_INTEGER_set_uint64(X509_get_serialNumber(pCert), serial >> 1) &&
                    X509_gmtime_adj(X509_getm_notBefore(pCert), -3600) &&
                    X509_gmtime_adj(X509_getm_notAfter(pCert), kTenYears) && X509_set_pubkey(pCert, m_pKey.get()) &&
                    X509_NAME_add_entry_by_txt(pName, "CN", MBSTRING_ASC, cn, -1, -1, 0) &&
                    X509_set_issuer_name(pCert, pName) && X509_sign(pCert, m_pKey.get(), EVP_sha256()) > 0;
    if (!ok) *pError = "cannot make a self-signed certificate";
    return ok;
}

bool CTlsCertificate::Load(const std::string& certPath, const std::string& keyPath, std::string* pError)
{
    File cert = OpenFile(certPath, "r"), key = OpenFile(keyPath, "r");
    if (cert) m_pCert.reset(PEM_read_X509(cert.get(), nullptr, nullptr, nullptr));
    if (key) m_pKey.reset(PEM_read_PrivateKey(key.get(), nullptr, nullptr, nullptr));
    if (!m_pCert) *pError = "cannot read a PEM certificate from " + certPath;
    else if (!m_pKey) *pError = "cannot read a PEM private key from " + keyPath;
    else if (X509_check_private_key(m_pCert.get(), m_pKey.get()) != 1)
        *pError = keyPath + " is not the key of " + certPath;
    else return true;
    return false;
}

bool CTlsCertificate::Save(const std::string& certPath, const std::string& keyPath) const
{
    File cert = OpenFile(certPath, "w"), key = OpenFile(keyPath, "w");
    return cert && key && PEM_write_X509(cert.get(), m_pCert.get()) &&
           PEM_write_PrivateKey(key.get(), m_pKey.get(), nullptr, nullptr, 0, nullptr, nullptr);
}
