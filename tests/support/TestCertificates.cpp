#include "support/TestCertificates.h"

#include "framework/platform/process/Subprocess.h"

#include <cstdlib>
#include <filesystem>

namespace ZorbelTest {

namespace {

// A P-256 key and its certificate, valid for a day; the extra arguments sign it and name it.
bool MakeCertificate(const std::string& key, const std::string& certificate, const std::string& subject,
                     const std::vector<std::string>& more) {
    std::vector<std::string> arguments = {
        "req",    "-x509", "-newkey",  "ec",    "-pkeyopt", "ec_paramgen_curve:P-256",
        "-nodes", "-days", "1",        "-subj", subject,    "-keyout",
        key,      "-out",  certificate};
    arguments.insert(arguments.end(), more.begin(), more.end());
    Zorbel::ProcessOutcome outcome = Zorbel::RunProcess(Zorbel::FindProgramOnPath("openssl"), arguments);
    return outcome.exited && outcome.exitCode == 0;
}

} // namespace

TestCertificates::TestCertificates(const std::vector<std::string>& names) {
    std::string pattern = (std::filesystem::temp_directory_path() / "zorbel-tls-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return;
    mFolder = pattern;
    std::string alternativeNames = "subjectAltName=";
    for (const std::string& name : names)
        alternativeNames += name + (&name == &names.back() ? "" : ",");
    std::string authorityKey = mFolder + "/authority.key";
    mValid = MakeCertificate(authorityKey, AuthorityFile(), "/CN=Zorbel Test Authority",
                             {"-addext", "basicConstraints=critical,CA:TRUE", "-addext",
                              "keyUsage=critical,keyCertSign"}) &&
             MakeCertificate(ServerKeyFile(), ServerCertificateFile(), "/CN=Zorbel Test Server",
                             {"-CA", AuthorityFile(), "-CAkey", authorityKey, "-addext", alternativeNames});
}

TestCertificates::~TestCertificates() {
    std::error_code ignored;
    if (!mFolder.empty()) std::filesystem::remove_all(mFolder, ignored);
}

} // namespace ZorbelTest
