#include "support/TestCertificates.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace ZorbelTest {

namespace {

struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertificateFree {
    void operator()(X509* certificate) const { X509_free(certificate); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using Certificate = std::unique_ptr<X509, CertificateFree>;

bool AddExtension(X509* certificate, X509* issuer, int nid, const std::string& value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    if (extension == nullptr) return false;
    bool added = X509_add_ext(certificate, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return added;
}

// A certificate for the key with the common name, signed by the issuer (itself when issuer is null),
// for the alternative names when there are any.
Certificate MakeCertificate(EVP_PKEY* key, const std::string& commonName, X509* issuer, EVP_PKEY* issuerKey,
                            long serial, const std::string& alternativeNames = {}) {
    Certificate certificate(X509_new());
    X509* cert = certificate.get();
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), serial);
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 24 * 3600);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0);
    X509_set_issuer_name(cert, issuer != nullptr ? X509_get_subject_name(issuer) : name);
    X509* signer = issuer != nullptr ? issuer : cert;
    bool ok = issuer == nullptr
                  ? AddExtension(cert, signer, NID_basic_constraints, "critical,CA:TRUE") &&
                        AddExtension(cert, signer, NID_key_usage, "critical,keyCertSign,cRLSign")
                  : AddExtension(cert, signer, NID_basic_constraints, "CA:FALSE");
    if (!alternativeNames.empty())
        ok = ok && AddExtension(cert, signer, NID_subject_alt_name, alternativeNames);
    ok = ok && AddExtension(cert, signer, NID_subject_key_identifier, "hash") &&
         X509_sign(cert, issuerKey != nullptr ? issuerKey : key, EVP_sha256()) > 0;
    return ok ? std::move(certificate) : nullptr;
}

template <typename Write>
bool WriteFile(const std::string& path, Write write) {
    FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) return false;
    bool written = write(file);
    return std::fclose(file) == 0 && written;
}

} // namespace

TestCertificates::TestCertificates(const std::vector<std::string>& names) {
    std::string pattern = (std::filesystem::temp_directory_path() / "zorbel-tls-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return;
    mFolder = pattern;
    mAuthorityFile = mFolder + "/authority.pem";
    mServerCertificateFile = mFolder + "/server.pem";
    mServerKeyFile = mFolder + "/server-key.pem";

    Key authorityKey(EVP_EC_gen("P-256"));
    Key serverKey(EVP_EC_gen("P-256"));
    if (!authorityKey || !serverKey) return;
    Certificate authority = MakeCertificate(authorityKey.get(), "Zorbel Test Authority", nullptr, nullptr, 1);
    if (!authority) return;
    std::string alternativeNames;
    for (const std::string& name : names)
        alternativeNames += (alternativeNames.empty() ? "" : ",") + name;
    Certificate server = MakeCertificate(serverKey.get(), "Zorbel Test Server", authority.get(),
                                         authorityKey.get(), 2, alternativeNames);
    if (!server) return;

    mValid =
        WriteFile(mAuthorityFile, [&](FILE* f) { return PEM_write_X509(f, authority.get()) == 1; }) &&
        WriteFile(mServerCertificateFile, [&](FILE* f) { return PEM_write_X509(f, server.get()) == 1; }) &&
        WriteFile(mServerKeyFile, [&](FILE* f) {
            return PEM_write_PrivateKey(f, serverKey.get(), nullptr, nullptr, 0, nullptr, nullptr) == 1;
        });
}

TestCertificates::~TestCertificates() {
    std::error_code ignored;
    if (!mFolder.empty()) std::filesystem::remove_all(mFolder, ignored);
}

} // namespace ZorbelTest
