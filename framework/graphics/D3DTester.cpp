#include "framework/graphics/D3DTester.h"

#include "framework/graphics/DisplayHost.h"
#include "framework/platform/DisplayDriver.h"
#include "framework/platform/ResultCode.h"
#include "framework/platform/SettingsStore.h"
#include "framework/platform/display/ErrorName.h"
#include "framework/platform/files/Path.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

namespace Zorbel {

namespace {

constexpr int kScenes = 5;
constexpr int32_t kComparedSize = 10;
constexpr int32_t kClipComparedSize = 62;
constexpr int32_t kMaxSquaredDistance = 768;
constexpr size_t kMaxLineLength = 4000;

using F = GpuBlendFactor;

// One test scene: the blend of its second layer, its two fills, the vertex colour of the second
// layer, the colour it must give, and what a wrong or uneven result says.
struct Scene {
    GpuBlend blend;
    uint32_t firstFill;
    uint32_t secondFill;
    uint32_t secondVertexColor;
    uint32_t expected;
    const char* failure;
    const char* warning;
};

constexpr Scene kSceneTable[kScenes - 1] = {
    {{F::SourceAlpha, F::InverseSourceAlpha},
     0xFF0000FF,
     0x80FF0000,
     0xFFFFFFFF,
     0x7F007F,
     "Alpha blend Not Supported",
     "Alpha blend test not uniform."},
    {{F::One, F::One},
     0xFF404040,
     0xFF404040,
     0xFFFFFFFF,
     0x808080,
     "Additive blend not supported.",
     "Additive blend test not uniform."},
    {{F::SourceAlpha, F::One},
     0xFF404040,
     0x80808080,
     0xFFFFFFFF,
     0x808080,
     "AlphaAdd blend not supported.",
     "AlphaAdd blend test not uniform."},
    {{F::SourceAlpha, F::InverseSourceAlpha},
     0xFF0000FF,
     0xFFFF0000,
     0x80FFFFFF,
     0x7F007F,
     "AlphaModulated blend not supported.",
     "AlphaModulated blend test not uniform."},
};
constexpr int kClipScene = 4;

int32_t SquaredDistance(uint32_t a, uint32_t b) {
    int32_t sum = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int32_t d = int32_t(a >> shift & 0xFF) - int32_t(b >> shift & 0xFF);
        sum += d * d;
    }
    return sum;
}

std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\n\f\v";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// True when one of the list's lines occurs in the description, ignoring case.
bool ListNames(const std::string& list, const std::string& description) {
    const std::string lowered = StringToLower(description);
    std::istringstream lines(list);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.size() > kMaxLineLength) line.resize(kMaxLineLength);
        const std::string name = StringToLower(Trim(line));
        if (!name.empty() && lowered.find(name) != std::string::npos) return true;
    }
    return false;
}

bool ReadList(const char* path, std::string& out) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::ostringstream text;
    text << file.rdbuf();
    out = text.str();
    return true;
}

int32_t YearOf(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return 0;
    const std::time_t seconds = status.st_mtime;
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr) return 0;
    return local.tm_year + 1900;
}

uint64_t Fnv1a(const std::string& text, uint64_t hash) {
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001B3ull;
    }
    return hash;
}

} // namespace

D3DTester::Identifier D3DTester::MakeIdentifier(const std::string& vendor, const std::string& renderer,
                                                const std::string& version) {
    const std::string all = vendor + '\n' + renderer + '\n' + version;
    const uint64_t halves[2] = {Fnv1a(all, 0xCBF29CE484222325ull), Fnv1a(all, 0x84222325CBF29CE4ull)};
    Identifier id{};
    for (size_t i = 0; i < id.size(); ++i)
        id[i] = static_cast<uint8_t>(halves[i / 8] >> (8 * (i % 8)));
    return id;
}

bool D3DTester::IsCardSupported(const std::string& description, int32_t driverYear,
                                const std::string* vhwList, const std::string* vhwbList) {
    if (vhwbList && ListNames(*vhwbList, description)) return false;
    if (vhwList) return ListNames(*vhwList, description);
    if (driverYear >= 2002) return true;
    const std::string lowered = StringToLower(description);
    return lowered.find("ati ") != std::string::npos && lowered.find("nvidia") == std::string::npos &&
           lowered.find("radeon") == std::string::npos;
}

void D3DTester::RunTest(WindowId window, DisplayDriver* driver) {
    mHasRun = true;
    mFailureReason.clear();
    mWarning.clear();
    mResultIsNew = false;
    // A demo plays back with the results it recorded.
    if (!mHost.PlayingDemo()) {
        bool testsWanted = InitTest(window, driver);
        for (int scene = 0; testsWanted && scene < kScenes; ++scene)
            testsWanted = RunScene(scene);
        ReleaseDevice();
        if (mUseSettingsStore) WriteCache();
    }
    mHost.SyncTestResults(mFailureReason, mWarning, mResultIsNew);
}

bool D3DTester::DxFail(const char* step, uint32_t code) {
    mFailureReason = std::string("DXError - ") + step + ": " + ErrorName(code);
    return false;
}

// False when no scene is to be drawn: a failure, or a result taken from the cache.
bool D3DTester::InitTest(WindowId window, DisplayDriver* driver) {
    if (driver == nullptr) {
        mFailureReason = "No DirectDrawCreateEx";
        mResultIsNew = true;
        return false;
    }
    if (!CreateDevice(window, driver)) {
        mResultIsNew = true;
        return false;
    }
    bool enoughMemory = true;
    CheckVideoMemory(enoughMemory);
    if (!enoughMemory) {
        mResultIsNew = true;
        return false;
    }
    if (mUseSettingsStore && ReadCache()) {
        mResultIsNew = false;
        return false;
    }
    mResultIsNew = true;
    mDriverYear = mDriverFile.empty() ? 0 : YearOf(mDriverFile);
    CheckCard();

    const uint32_t formats = mGpu->Info().formats;
    if ((formats & GpuFormat::A8R8G8B8) == 0) {
        if ((formats & GpuFormat::A4R4G4B4) == 0) {
            mFailureReason = "A4R4G4B4 and A8R8G8B8 texture formats not supported.";
            return false;
        }
        mWarning = "A8R8G8B8 texture format not supported.";
        mTextureFormat = GpuFormat::A4R4G4B4;
    }
    if (uint32_t hr = mGpu->CreateTexture(GpuFormat::A8R8G8B8, TargetSize, TargetSize, true, mTarget))
        return DxFail("CreateSurface (Primary)", hr);
    if (uint32_t hr = mGpu->CreateTexture(mTextureFormat, TileSize, TileSize, false, mTextures[0]))
        return DxFail("CreateSurface (TextureSurface1)", hr);
    if (uint32_t hr = mGpu->CreateTexture(mTextureFormat, TileSize, TileSize, false, mTextures[1]))
        return DxFail("CreateSurface (TextureSurfacd2)", hr);
    return true;
}

bool D3DTester::CreateDevice(WindowId window, DisplayDriver* driver) {
    if (uint32_t hr = driver->SetCooperativeLevel(window, CooperativeLevel::Normal))
        return DxFail("SetCooperativeLevel", hr);
    if (uint32_t hr = driver->CreateGpuDevice(mGpu)) {
        mGpu.reset();
        return DxFail("CreateDevice", hr);
    }
    const GpuInfo& info = mGpu->Info();
    mIdentifier = MakeIdentifier(info.vendor, info.renderer, info.version);
    mDescription = info.renderer;
    mDriverFile = info.driverFile;
    return true;
}

void D3DTester::CheckVideoMemory(bool& enough) {
    const std::optional<uint64_t> memory = mGpu->Info().videoMemory;
    if (!memory) {
        mWarning = "GetAvailableVidMem failed: " + ErrorName(ResultCode::Unsupported);
        return;
    }
    const uint64_t frame = uint64_t((mDesktopBits + 7) / 8) * uint64_t(std::max(mDesktopWidth, 0)) *
                           uint64_t(std::max(mDesktopHeight, 0));
    const uint64_t totalMB = (*memory + frame) >> 20;
    if (totalMB < uint64_t(std::max(mMinVideoMemoryMB, 0))) {
        mFailureReason = "Not enough video memory.";
        enough = false;
        return;
    }
    if (totalMB < uint64_t(std::max(mRecVideoMemoryMB, 0))) mWarning = "Low video memory.";
}

void D3DTester::CheckCard() {
    std::string vhw, vhwb;
    const bool haveVhwb = ReadList("vhwb.dat", vhwb);
    const bool haveVhw = ReadList("vhw.dat", vhw);
    if (!IsCardSupported(mDescription, mDriverYear, haveVhw ? &vhw : nullptr, haveVhwb ? &vhwb : nullptr))
        mWarning = "Unsupported video card: " + mDescription;
}

bool D3DTester::ReadCache() {
    auto number = [&](const char* name, int32_t& value) {
        uint32_t type = 0;
        std::vector<uint8_t> data;
        if (!mHost.ReadSetting(std::string("Test3D\\") + name, type, data) ||
            type != SettingsStore::TYPE_DWORD || data.size() != 4)
            return false;
        std::memcpy(&value, data.data(), 4);
        return true;
    };
    auto text = [&](const char* name, std::string& value) {
        uint32_t type = 0;
        std::vector<uint8_t> data;
        if (!mHost.ReadSetting(std::string("Test3D\\") + name, type, data) ||
            type != SettingsStore::TYPE_STRING)
            return false;
        value.assign(data.begin(), data.end());
        while (!value.empty() && value.back() == '\0')
            value.pop_back();
        return true;
    };
    int32_t version = 0, minimum = 0, recommended = 0;
    if (!number("Version", version) || version != CacheVersion || !number("MinVidMemory", minimum) ||
        minimum != mMinVideoMemoryMB || !number("RecVidMemory", recommended) ||
        recommended != mRecVideoMemoryMB)
        return false;
    uint32_t type = 0;
    std::vector<uint8_t> guid;
    if (!mHost.ReadSetting("Test3D\\DisplayGUID", type, guid) || guid.size() != mIdentifier.size() ||
        !std::equal(guid.begin(), guid.end(), mIdentifier.begin()))
        return false;
    std::string failure, warning;
    if (!text("FailureReason", failure) || !text("Warning", warning)) return false;
    mFailureReason = failure;
    mWarning = warning;
    return true;
}

void D3DTester::WriteCache() {
    auto number = [&](const char* name, int32_t value) {
        (void)mHost.WriteSetting(std::string("Test3D\\") + name, SettingsStore::TYPE_DWORD, &value, 4);
    };
    auto text = [&](const char* name, const std::string& value) {
        (void)mHost.WriteSetting(std::string("Test3D\\") + name, SettingsStore::TYPE_STRING, value.c_str(),
                                 value.size() + 1);
    };
    number("Version", CacheVersion);
    number("MinVidMemory", mMinVideoMemoryMB);
    number("RecVidMemory", mRecVideoMemoryMB);
    (void)mHost.WriteSetting("Test3D\\DisplayGUID", SettingsStore::TYPE_BINARY, mIdentifier.data(),
                             mIdentifier.size());
    text("FailureReason", mFailureReason);
    text("Warning", mWarning);
}

void D3DTester::ReleaseDevice() {
    mTextures[0].reset();
    mTextures[1].reset();
    mTarget.reset();
    mGpu.reset();
}

// --- The scenes ---

bool D3DTester::DrawTiles(GpuTexture& texture, int32_t at, uint32_t color, GpuBlend blend) {
    for (int32_t y = at; y < TargetSize; y += TileSize) {
        for (int32_t x = at; x < TargetSize; x += TileSize) {
            const auto l = float(x), t = float(y), r = float(x + TileSize), b = float(y + TileSize);
            const GpuVertex quad[4] = {
                {l, t, color, 0, 0}, {r, t, color, 1, 0}, {l, b, color, 0, 1}, {r, b, color, 1, 1}};
            if (uint32_t hr = mGpu->Draw(GpuPrimitive::TriangleStrip, quad, 4, &texture, blend, false))
                return DxFail("DrawPrimitive", hr);
        }
    }
    return true;
}

bool D3DTester::RunScene(int scene) {
    auto fill = [&](GpuTexture& texture, auto colorAt) {
        std::vector<uint8_t> texels(size_t(TileSize) * TileSize * 4);
        const int bytes = GpuFormat::BytesPerPixel(mTextureFormat);
        for (int32_t y = 0; y < TileSize; ++y)
            for (int32_t x = 0; x < TileSize; ++x) {
                uint32_t p = colorAt(x);
                if (mTextureFormat == GpuFormat::A4R4G4B4)
                    p = (p >> 28 << 12) | ((p >> 20 & 0xF) << 8) | ((p >> 12 & 0xF) << 4) | (p >> 4 & 0xF);
                std::memcpy(texels.data() + size_t(y * TileSize + x) * size_t(bytes), &p, size_t(bytes));
            }
        if (uint32_t hr = mGpu->Upload(texture, texels.data(), TileSize * bytes)) return DxFail("Lock", hr);
        return true;
    };
    const GpuBlend normal{F::SourceAlpha, F::InverseSourceAlpha};
    if (uint32_t hr = mGpu->SetTarget(mTarget.get())) return DxFail("BeginScene", hr);
    if (uint32_t hr = mGpu->SetClip(nullptr)) return DxFail("SetViewport", hr);
    if (uint32_t hr = mGpu->Clear(0xFF000000)) return DxFail("Clear", hr);

    const bool clip = scene == kClipScene;
    const Scene* s = clip ? nullptr : &kSceneTable[scene];
    GpuBlend blend = clip ? normal : s->blend;
    if (auto found = mBlendOverrides.find(scene); found != mBlendOverrides.end()) blend = found->second;
    if (clip) {
        if (!fill(*mTextures[0], [](int32_t x) { return x % 2 == 0 ? 0xFF000000u : 0xFFFFFFFFu; }) ||
            !DrawTiles(*mTextures[0], -2, 0xFFFFFFFF, blend))
            return false;
    } else {
        if (!fill(*mTextures[0], [&](int32_t) { return s->firstFill; }) ||
            !DrawTiles(*mTextures[0], 0, 0xFFFFFFFF, normal) ||
            !fill(*mTextures[1], [&](int32_t) { return s->secondFill; }) ||
            !DrawTiles(*mTextures[1], 0, s->secondVertexColor, blend))
            return false;
    }
    mTestImage.width = mTestImage.height = TargetSize;
    mTestImage.pixels.assign(size_t(TargetSize) * TargetSize, 0);
    if (uint32_t hr =
            mGpu->ReadPixels({0, 0, TargetSize, TargetSize}, mTestImage.pixels.data(), TargetSize * 4))
        return DxFail("CopyPrimary Lock", hr);

    const int32_t compared = clip ? kClipComparedSize : kComparedSize;
    bool wrong = false, uneven = false;
    for (int32_t y = 0; y < compared; ++y) {
        for (int32_t x = 0; x < compared; ++x) {
            const uint32_t expected = clip ? (x % 2 == 0 ? 0x000000u : 0xFFFFFFu) : s->expected;
            wrong |= SquaredDistance(mTestImage.At(x, y), expected) > kMaxSquaredDistance;
            uneven |= (mTestImage.At(x, y) & 0xFFFFFF) != (mTestImage.At(0, 0) & 0xFFFFFF);
        }
    }
    if (clip) {
        // A clipping fault is only worth a warning.
        if (wrong) mWarning = "Clip problem detected.";
        return true;
    }
    if (wrong) {
        mFailureReason = s->failure;
        return false;
    }
    if (uneven) mWarning = s->warning;
    return true;
}

} // namespace Zorbel
