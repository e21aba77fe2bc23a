#include "framework/graphics/D3DInterface.h"

#include "framework/graphics/DDInterface.h"
#include "framework/graphics/MemoryImage.h"

namespace Zorbel {

// FIXME: the hardware path arrives with its own issue. Until then set-up reports that it is not
// available, so the display device never enables 3D and none of the drawing below is reached.

bool D3DInterface::IsActive() const {
    return mDisplay.Is3DEnabled();
}

void D3DInterface::DropTexture(MemoryImage& image) {
    image.SetHardwareTexture(nullptr);
}

bool D3DInterface::ReadTextureBack(MemoryImage&) {
    return false;
}

bool D3DInterface::InitDevice3D() {
    mErrorText = "Hardware acceleration is not available.";
    return false;
}

void D3DInterface::ReleaseDevice3D() {
    mSceneOpen = false;
}

bool D3DInterface::BeginScene3D() {
    return false;
}

void D3DInterface::EndScene3D() {
    mSceneOpen = false;
}

bool D3DInterface::PrepareTexture(MemoryImage&) {
    return false;
}

bool D3DInterface::FillPolygon(DDImage&, const Point*, int32_t, const Rect&, const Color&, DrawMode, int32_t,
                               int32_t) {
    return false;
}

void D3DInterface::FillArea(DDImage&, const Rect&, const Color&, DrawMode) {}

void D3DInterface::DrawSegment(DDImage&, double, double, double, double, const Color&, DrawMode) {}

void D3DInterface::BlitImage(DDImage&, Image*, int32_t, int32_t, const Rect&, const Color&, DrawMode) {}

void D3DInterface::BlitImageTurned(DDImage&, Image*, float, float, const FRect&, const BlitState&, double,
                                   float, float) {}

void D3DInterface::BlitImageScaled(DDImage&, Image*, const FRect&, const FRect&, const BlitState&, bool) {}

void D3DInterface::BlitImageMirrored(DDImage&, Image*, int32_t, int32_t, const Rect&, const Color&,
                                     DrawMode) {}

void D3DInterface::BlitImageTransformed(DDImage&, Image*, float, float, const Matrix3&, const BlitState&,
                                        const Rect&, bool) {}

void D3DInterface::BlitTexturedTriangles(DDImage&, Image*, const TexturedTriangle*, int32_t, const BlitState&,
                                         float, float, bool) {}

} // namespace Zorbel
