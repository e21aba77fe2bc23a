#pragma once

#include "framework/graphics/BlitState.h"
#include "framework/graphics/Color.h"
#include "framework/graphics/DrawMode.h"
#include "framework/graphics/HardwarePath.h"
#include "framework/graphics/Image.h"
#include "framework/graphics/Rect.h"

#include <string>

namespace Zorbel {

class DDInterface;
class DDImage;
class MemoryImage;

// The hardware 3D drawing path of the display device: pictures uploaded as textures and drawn as
// textured quads into the display's draw surface. This build has no hardware path yet, so set-up
// always fails with a message and nothing is drawn; the display device then stays in software.
class D3DInterface : public HardwarePath {
public:
    explicit D3DInterface(DDInterface& display) : mDisplay(display) {}

    // HardwarePath
    bool IsActive() const override;
    void DropTexture(MemoryImage& image) override;
    bool ReadTextureBack(MemoryImage& image) override;

    // Starts on the display's current surfaces; false with ErrorText set when it cannot.
    bool InitDevice3D();
    void ReleaseDevice3D();
    bool BeginScene3D();
    void EndScene3D();
    bool IsSceneOpen() const { return mSceneOpen; }

    // The text of the last failing call; the display device switches 3D off when it is not empty.
    const std::string& ErrorText() const { return mErrorText; }
    void ClearErrorText() { mErrorText.clear(); }

    bool PrepareTexture(MemoryImage& image);

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

private:
    DDInterface& mDisplay;
    bool mSceneOpen = false;
    std::string mErrorText;
};

} // namespace Zorbel
