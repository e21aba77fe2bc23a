#pragma once

#include <string>
#include <vector>

namespace ZorbelTest {

// A certificate authority made for one test by the openssl program, and a server certificate it signed,
// as PEM files in a fresh folder that goes away with the object.
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
    std::string AuthorityFile() const { return mFolder + "/authority.pem"; }
    std::string ServerCertificateFile() const { return mFolder + "/server.pem"; }
    std::string ServerKeyFile() const { return mFolder + "/server.key"; }

private:
    bool mValid = false;
    std::string mFolder;
};

} // namespace ZorbelTest
