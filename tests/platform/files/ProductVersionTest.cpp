#include "framework/platform/files/ProductVersion.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <vector>

ZORBEL_PRODUCT_VERSION("test-7.4.1 (build 99)");

namespace {

std::vector<unsigned char> SelfBytes() {
    std::ifstream in("/proc/self/exe", std::ios::binary | std::ios::ate);
    std::vector<unsigned char> bytes(static_cast<size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

} // namespace

TEST(ProductVersionTest, ReadsTheVersionThatTheProgramDeclares) {
    EXPECT_EQ(Zorbel::ReadProductVersion("/proc/self/exe"), "test-7.4.1 (build 99)");
    EXPECT_EQ(Zorbel::ReadProductVersion(ZORBEL_BINARY_DIR "/tesserine").empty(), false);
}

TEST(ProductVersionTest, FilesWithoutTheSectionGiveAnEmptyText) {
    EXPECT_EQ(Zorbel::ReadProductVersion("/nonexistent/program"), "");
    EXPECT_EQ(Zorbel::ReadProductVersion("/bin/sh"), "") << "an ELF file without the section";
    auto path = std::filesystem::temp_directory_path() / ("zorbel-notelf-" + std::to_string(getpid()));
    std::ofstream(path) << "#!/bin/sh\necho hello\n";
    EXPECT_EQ(Zorbel::ReadProductVersion(path.string()), "");
    std::filesystem::remove(path);
}

TEST(ProductVersionTest, DamagedFilesNeverReadOutOfBounds) {
    std::vector<unsigned char> bytes = SelfBytes();
    ASSERT_GT(bytes.size(), 4096u);
    // Cut off the section headers, which sit at the end of the file.
    EXPECT_EQ(Zorbel::ReadProductVersionFromBytes(bytes.data(), bytes.size() - 100), "");
    EXPECT_EQ(Zorbel::ReadProductVersionFromBytes(bytes.data(), 63), "");
    // An absurd section-header count.
    std::vector<unsigned char> broken = bytes;
    broken[0x3C] = 0xFF;
    broken[0x3D] = 0xFF;
    EXPECT_EQ(Zorbel::ReadProductVersionFromBytes(broken.data(), broken.size()), "");
}
