#include "framework/platform/process/SingleInstance.h"

#include "support/Eventually.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace Zorbel;

namespace {

class SingleInstanceTest : public ::testing::Test {
protected:
    SingleInstanceTest() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zorbel-instance-XXXXXX").string();
        folder = mkdtemp(pattern.data());
    }
    ~SingleInstanceTest() override { std::filesystem::remove_all(folder); }

    // Notices travel through a socket and may arrive a while after they were sent.
    static bool WaitForNotice(SingleInstance& instance) {
        return ZorbelTest::Eventually([&] { return instance.TakeNotice(); });
    }

    std::string folder;
};

} // namespace

TEST_F(SingleInstanceTest, TheFirstCopyHoldsTheLockAndHearsTheSecond) {
    SingleInstance first("Tesserine", folder);
    ASSERT_TRUE(first.Acquire());
    EXPECT_TRUE(first.IsHeld());
    EXPECT_EQ(first.LockPath(), folder + "/TesserineMutex");
    EXPECT_EQ(first.SocketPath(), folder + "/NotifyTesserine");
    EXPECT_TRUE(std::filesystem::exists(first.LockPath()));
    EXPECT_FALSE(first.TakeNotice());

    SingleInstance second("Tesserine", folder);
    EXPECT_FALSE(second.Acquire());
    EXPECT_FALSE(second.IsHeld());
    EXPECT_TRUE(WaitForNotice(first));
    // One notice is taken once.
    EXPECT_FALSE(first.TakeNotice());

    // Another product is not affected.
    SingleInstance other("Other", folder);
    EXPECT_TRUE(other.Acquire());
}

TEST_F(SingleInstanceTest, TheLockIsFreeAgainOnceTheFirstCopyEnds) {
    {
        SingleInstance first("Tesserine", folder);
        ASSERT_TRUE(first.Acquire());
    }
    EXPECT_FALSE(std::filesystem::exists(folder + "/NotifyTesserine"));
    SingleInstance next("Tesserine", folder);
    EXPECT_TRUE(next.Acquire());
}

TEST_F(SingleInstanceTest, FilesLeftByACopyThatDiedAreTakenOver) {
    // A crashed copy leaves its socket file behind, and a lock file nobody holds.
    std::ofstream(folder + "/NotifyTesserine") << "stale";
    std::ofstream(folder + "/TesserineMutex") << "";
    SingleInstance first("Tesserine", folder);
    ASSERT_TRUE(first.Acquire());
    SingleInstance second("Tesserine", folder);
    EXPECT_FALSE(second.Acquire());
    EXPECT_TRUE(WaitForNotice(first));
}

TEST_F(SingleInstanceTest, WrongTextsAreNotNotices) {
    SingleInstance first("Tesserine", folder);
    ASSERT_TRUE(first.Acquire());
    SingleInstance impostor("Tesser", folder + "/missing");
    // A copy whose folder cannot hold a lock runs rather than refusing to start.
    EXPECT_TRUE(impostor.Acquire());
    EXPECT_FALSE(first.TakeNotice());
}
