#include "framework/platform/process/SingleInstance.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace Zorbel;

namespace {

class SingleInstanceTest : public ::testing::Test {
protected:
    SingleInstanceTest() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zorbel-instance-XXXXXX").string();
        folder = mkdtemp(pattern.data());
    }
    ~SingleInstanceTest() override { std::filesystem::remove_all(folder); }

    // Notices travel through a socket; give the bytes a moment.
    static bool WaitForNotice(SingleInstance& instance) {
        for (int i = 0; i < 200; ++i) {
            if (instance.TakeNotice()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
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
