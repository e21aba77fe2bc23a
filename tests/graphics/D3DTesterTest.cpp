// The 3D tester: its verdict on a GPU in memory (formats, video memory, the card lists, the cache),
// and, where OpenGL exists (Mesa under Xvfb), its five scenes on the real thing.
#include "GpuTestUtil.h"
#include "support/FakeGpuDevice.h"
#include "support/ScratchFolder.h"

#include "framework/graphics/D3DTester.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace Zorbel;
using namespace Zorbel::Testing;
using ZorbelTest::FakeGpuDevice;
using ZorbelTest::FakeGpuState;

namespace {

// A headless display driver offering the fake GPU.
struct FakeGpuDriver {
    FakeGpuDriver() : windows(clock, ZorbelTest::WithFakeGpu(state)) {
        WindowDesc desc;
        desc.clientWidth = 320;
        desc.clientHeight = 200;
        window = windows.CreateWindow(desc);
        (void)windows.CreateDisplayDriver(driver);
    }

    std::shared_ptr<FakeGpuState> state = std::make_shared<FakeGpuState>();
    ManualClock clock{1000};
    HeadlessWindowSystem windows;
    WindowId window = 0;
    std::unique_ptr<DisplayDriver> driver;
};

TEST(D3DTesterTest, WithoutEitherAlphaFormatTheTestFailsBeforeAnyScene) {
    FakeGpuDriver fake;
    fake.state->info.formats = GpuFormat::R5G6B5;
    TestHost host;
    D3DTester tester(host);
    tester.RunTest(fake.window, fake.driver.get());
    EXPECT_EQ(tester.FailureReason(), "A4R4G4B4 and A8R8G8B8 texture formats not supported.");
    EXPECT_TRUE(tester.ResultIsNew());
    EXPECT_EQ(fake.state->draws, 0);
    // The fresh verdict is kept.
    const auto& stored = host.settings.at("Test3D\\FailureReason").second;
    EXPECT_EQ(std::string(stored.begin(), stored.end() - 1), tester.FailureReason());

    // Without A8R8G8B8 the scenes run in A4R4G4B4, with a warning.
    FakeGpuDriver only4444;
    only4444.state->info.formats = GpuFormat::A4R4G4B4;
    TestHost other;
    D3DTester narrow(other);
    narrow.RunTest(only4444.window, only4444.driver.get());
    EXPECT_GT(only4444.state->draws, 0);
    // The fake draws nothing, so the first scene finds black where it wants purple.
    EXPECT_EQ(narrow.FailureReason(), "Alpha blend Not Supported");
    EXPECT_EQ(narrow.Warning(), "A8R8G8B8 texture format not supported.");
}

TEST(D3DTesterTest, TheCacheIsUsedOnlyForTheSameDisplayAndThresholds) {
    FakeGpuDriver fake;
    TestHost host;
    StoreUsableVerdict(host, fake.state->info);
    D3DTester cached(host);
    cached.RunTest(fake.window, fake.driver.get());
    EXPECT_EQ(cached.FailureReason(), "");
    EXPECT_FALSE(cached.ResultIsNew());
    EXPECT_EQ(fake.state->draws, 0);

    // Other thresholds: the test runs again (and the fake's blank scenes fail it).
    D3DTester stricter(host);
    stricter.SetVideoMemoryThresholds(8, 32);
    stricter.RunTest(fake.window, fake.driver.get());
    EXPECT_TRUE(stricter.ResultIsNew());
    EXPECT_GT(fake.state->draws, 0);
    EXPECT_EQ(stricter.FailureReason(), "Alpha blend Not Supported");

    // Another display: likewise.
    FakeGpuDriver otherCard;
    otherCard.state->info.renderer = "Another GPU";
    TestHost same;
    StoreUsableVerdict(same, fake.state->info);
    D3DTester moved(same);
    moved.RunTest(otherCard.window, otherCard.driver.get());
    EXPECT_TRUE(moved.ResultIsNew());
}

TEST(D3DTesterTest, VideoMemoryDecidesBeforeTheScenes) {
    FakeGpuDriver fake;
    fake.state->info.videoMemory = uint64_t(2) << 20;
    TestHost host;
    D3DTester tester(host);
    tester.SetDesktop(1024, 768, 32); // 3 MB of frame counts as well: 5 MB in all
    tester.RunTest(fake.window, fake.driver.get());
    EXPECT_EQ(tester.FailureReason(), "Not enough video memory.");
    EXPECT_EQ(fake.state->draws, 0);

    FakeGpuDriver unknown;
    unknown.state->info.videoMemory.reset();
    TestHost other;
    D3DTester silent(other);
    silent.RunTest(unknown.window, unknown.driver.get());
    EXPECT_EQ(silent.Warning(), "GetAvailableVidMem failed: DDERR_UNSUPPORTED");
}

TEST(D3DTesterTest, CardRules) {
    // Without lists: old drivers are trusted only on "ati " cards that are not "nvidia" or "radeon".
    EXPECT_TRUE(D3DTester::IsCardSupported("ATI Rage 128", 2001, nullptr, nullptr));
    EXPECT_FALSE(D3DTester::IsCardSupported("ATI Radeon 7000", 2001, nullptr, nullptr));
    EXPECT_FALSE(D3DTester::IsCardSupported("Matrox G400", 2001, nullptr, nullptr));
    EXPECT_FALSE(D3DTester::IsCardSupported("Cheap ati-like card", 2001, nullptr, nullptr));
    EXPECT_TRUE(D3DTester::IsCardSupported("Matrox G400", 2002, nullptr, nullptr));
    EXPECT_TRUE(D3DTester::IsCardSupported("NVIDIA GeForce2", 2002, nullptr, nullptr));

    // A blocking list wins at any age; an allowing list names the only cards supported.
    const std::string blocked = "  voodoo \r\n\r\nsavage\n";
    EXPECT_FALSE(D3DTester::IsCardSupported("3dfx VOODOO3", 2005, nullptr, &blocked));
    EXPECT_TRUE(D3DTester::IsCardSupported("NVIDIA GeForce2", 2005, nullptr, &blocked));
    const std::string allowed = "geforce\n";
    EXPECT_TRUE(D3DTester::IsCardSupported("NVIDIA GeForce2", 1999, &allowed, &blocked));
    EXPECT_FALSE(D3DTester::IsCardSupported("Matrox G400", 2005, &allowed, nullptr));

    // The lists are read from the working folder, and an unsupported card is a warning.
    ScratchFolder folder("d3dtester");
    folder.Write("vhwb.dat", "fake gpu\n");
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path(""));
    FakeGpuDriver fake;
    TestHost host;
    D3DTester tester(host);
    tester.RunTest(fake.window, fake.driver.get());
    std::filesystem::current_path(previous);
    EXPECT_EQ(tester.Warning(), "Unsupported video card: Fake GPU");
}

// --- On the GPU ---

TEST(GpuTesterTest, TheFiveScenesPassOnTheGpuAndAWrongBlendFails) {
    GlWindow gl;
    if (!gl.ok) GTEST_SKIP() << gl.reason;
    D3DTester tester(gl.host);
    tester.RunTest(gl.window, gl.driver.get());
    EXPECT_EQ(tester.FailureReason(), "") << "on " << tester.Description();
    EXPECT_TRUE(tester.ResultIsNew());
    EXPECT_FALSE(tester.Description().empty());
    // The clip scene was the last: its columns alternate black and white.
    const D3DTestImage& image = tester.TestImage();
    ASSERT_EQ(image.width, D3DTester::TargetSize);
    EXPECT_EQ(image.At(0, 0) & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(image.At(1, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(image.At(61, 61) & 0xFFFFFF, 0xFFFFFFu);

    // Replacing the alpha scene's blend by a plain copy must be caught.
    TestHost other;
    D3DTester wrong(other);
    wrong.OverrideSceneBlend(0, GpuBlend{GpuBlendFactor::One, GpuBlendFactor::Zero});
    wrong.RunTest(gl.window, gl.driver.get());
    EXPECT_EQ(wrong.FailureReason(), "Alpha blend Not Supported");
}

} // namespace
