#pragma once

#include "framework/graphics/BlitState.h"
#include "framework/graphics/Color.h"
#include "framework/graphics/DrawMode.h"
#include "framework/graphics/HardwarePath.h"
#include "framework/graphics/Image.h"
#include "framework/graphics/Rect.h"
#include "framework/platform/GpuDevice.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace Zorbel {

class DDInterface;
class DDImage;
class MemoryImage;

// Hardware texture flags of a picture that the hardware path reads.
namespace TextureFlags {
constexpr uint32_t FullPowerOfTwo = 1; // pieces of the smallest power of two covering the picture
constexpr uint32_t Fixed64 = 2;        // pieces of 64 x 64
constexpr uint32_t Prefer4444 = 4;     // A4R4G4B4 rather than A8R8G8B8
constexpr uint32_t AlwaysAlpha = 8;    // a format with alpha even for opaque pictures
} // namespace TextureFlags

// What the device can do with textures.
struct TextureCaps {
    int32_t maxWidth = 64;
    int32_t maxHeight = 64;
    int32_t minWidth = 64;
    int32_t minHeight = 64;
    // How much longer one side of a texture may be than the other.
    int32_t maxAspect = 1;
    uint32_t formats = 0; // GpuFormat bits
};

// How a picture is cut into textures: columns x rows pieces of pieceWidth x pieceHeight, except the
// last column and row, which are lastWidth wide and lastHeight high.
struct PieceLayout {
    int32_t pieceWidth = 0;
    int32_t pieceHeight = 0;
    int32_t columns = 0;
    int32_t rows = 0;
    int32_t lastWidth = 0;
    int32_t lastHeight = 0;
};

// The hardware 3D drawing path of the display device: pictures uploaded once as textures and drawn as
// textured triangles into the display's draw target on the GPU, with the blend factors of the draw
// mode. A failing call is kept as the hardware error text (and reported to the host); the display
// device then switches to software at its next presentation and draws the frame again.
//
// The GPU device comes from the display device's driver at set-up and is released with it. Textures
// are made, drawn and freed on the thread that draws; a picture dropped by another thread has its
// texture freed at the next scene.
class D3DInterface : public HardwarePath {
public:
    explicit D3DInterface(DDInterface& display);
    ~D3DInterface() override;
    D3DInterface(const D3DInterface&) = delete;
    D3DInterface& operator=(const D3DInterface&) = delete;

    // HardwarePath
    bool IsActive() const override;
    void DropTexture(MemoryImage& image) override;
    bool ReadTextureBack(MemoryImage& image) override;

    // Starts on the display's current driver and size; false with ErrorText set when it cannot.
    bool InitDevice3D();
    void ReleaseDevice3D();
    bool BeginScene3D();
    void EndScene3D();
    bool IsSceneOpen() const { return mSceneOpen; }
    // Copies the draw target into the display's draw surface, which then shows the frame.
    bool CopyTargetTo(uint8_t* pixels, int32_t pitch, int32_t bitDepth);

    // The text of the last failing call; the display device switches 3D off when it is not empty.
    const std::string& ErrorText() const { return mErrorText; }
    void ClearErrorText() { mErrorText.clear(); }

    const TextureCaps& Caps() const { return mCaps; }
    GpuDevice* Device() const { return mGpu.get(); }
    // Bytes of texture memory in use.
    size_t TextureMemory() const { return mTextureMemory; }
    size_t TexturedImageCount();
    // The picture's texture: its GpuFormat and its bytes on the device; false when it has none.
    bool DescribeTexture(const MemoryImage& image, uint32_t& format, size_t& bytes);

    // Uploads the picture when it has no texture yet or its pixels, size, format or flags changed.
    bool PrepareTexture(MemoryImage& image);
    // The texture format chosen for a picture with these properties on a device with these formats.
    static uint32_t ChooseFormat(bool hasAlpha, uint32_t flags, uint32_t formats);
    // How a picture of this size is cut into pieces.
    static PieceLayout LayoutPieces(int32_t width, int32_t height, uint32_t flags, const TextureCaps& caps);
    // Converts one 0xAARRGGBB pixel into a texture format and back (channels widened to 8 bits).
    static uint32_t ToTexel(uint32_t argb, uint32_t format);
    static uint32_t FromTexel(uint32_t texel, uint32_t format);

    // Drawing into the draw surface, one operation for each that a surface image routes here.
    bool FillPolygon(DDImage& target, const Point* points, int32_t count, const Rect& clipRect,
                     const Color& color, DrawMode drawMode, int32_t offsetX, int32_t offsetY);
    void FillArea(DDImage& target, const Rect& rect, const Color& color, DrawMode drawMode);
    void DrawSegment(DDImage& target, double x1, double y1, double x2, double y2, const Color& color,
                     DrawMode drawMode);
    void BlitImage(DDImage& target, Image* source, int32_t x, int32_t y, const Rect& srcRect,
                   const Color& color, DrawMode drawMode);
    void BlitImageTurned(DDImage& target, Image* source, float x, float y, const FRect& srcRect,
                         const BlitState& state, double angle, float centreX, float centreY);
    void BlitImageScaled(DDImage& target, Image* source, const FRect& destRect, const FRect& srcRect,
                         const BlitState& state, bool mirror);
    void BlitImageMirrored(DDImage& target, Image* source, int32_t x, int32_t y, const Rect& srcRect,
                           const Color& color, DrawMode drawMode);
    void BlitImageTransformed(DDImage& target, Image* source, float x, float y, const Matrix3& matrix,
                              const BlitState& state, const Rect& srcRect, bool filtered);
    void BlitTexturedTriangles(DDImage& target, Image* texture, const TexturedTriangle* triangles,
                               int32_t count, const BlitState& state, float offsetX, float offsetY,
                               bool filtered);
    // Anti-aliased text, as a picture of the text colour whose alpha is the coverage.
    void DrawTextCoverage(DDImage& target, const TextCoverage& coverage, int32_t left, int32_t top,
                          const Rect& clipRect, const Color& color);

private:
    // A corner of a picture drawn onto the target: where it lands (pixel centres at whole numbers plus
    // one half, the way the GPU counts) and which point of the picture it shows, in picture pixels.
    struct Corner {
        double x, y;
        double sx, sy;
        uint32_t color;
    };

    bool Fail(const char* step, uint32_t code);
    bool Begin(const Rect* clip);
    bool SetClip(const Rect* clip);
    // Draws a convex polygon of the picture, cut along its texture pieces.
    void DrawPicture(MemoryImage& picture, const Corner* corners, int count, DrawMode mode, bool linear,
                     const char* step);
    void DrawUntextured(GpuPrimitive primitive, const GpuVertex* vertices, int count, DrawMode mode,
                        const char* step);
    bool Upload(MemoryImage& image, HardwareTexture& texture);
    void FreeRetired();

    DDInterface& mDisplay;
    std::unique_ptr<GpuDevice> mGpu;
    std::unique_ptr<GpuTexture> mTarget;
    int32_t mWidth = 640;
    int32_t mHeight = 480;
    TextureCaps mCaps;
    bool mSceneOpen = false;
    bool mClipSet = false;
    Rect mClip;
    std::string mErrorText;
    std::atomic<size_t> mTextureMemory{0};
    // The texture records, which the pictures point to, and those of dropped pictures, which the
    // drawing thread frees at its next scene (a picture may be dropped on another thread).
    std::mutex mTexturesLock;
    std::unordered_map<MemoryImage*, std::unique_ptr<HardwareTexture>> mTextures;
    std::vector<std::unique_ptr<HardwareTexture>> mRetired;
    // Kept between draws, so that drawing does not allocate.
    std::vector<Corner> mPolygon;
    std::vector<Corner> mCut;
    std::vector<GpuVertex> mVertices;
};

} // namespace Zorbel
