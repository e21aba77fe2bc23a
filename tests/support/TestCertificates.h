#pragma once

#include <string>
#include <vector>

namespace ZorbelTest {

// A certificate authority made for one test, and a server certificate it signed, as PEM files in a
// fresh folder that goes away with the object. Keys are P-256, so making them is quick.
class TestCertificates {
public:
    // names: the server certificate's subject alternative names, such as "DNS:tesserine.test" or
    // "IP:127.0.0.1".
    explicit TestCertificates(const std::vector<std::string>& names);
    TestCertificates(const TestCertificates&) = delete;
    TestCertificates& operator=(const TestCertificates&) = delete;
    ~TestCertificates();

    bool IsValid() const { return mValid; }
    // The authority's certificate: what $SSL_CERT_FILE names for the client to trust it.
    const std::string& AuthorityFile() const { return mAuthorityFile; }
    const std::string& ServerCertificateFile() const { return mServerCertificateFile; }
    const std::string& ServerKeyFile() const { return mServerKeyFile; }

private:
    bool mValid = false;
    std::string mFolder;
    std::string mAuthorityFile;
    std::string mServerCertificateFile;
    std::string mServerKeyFile;
};

} // namespace ZorbelTest
