// The turned blit and the textured quad of the triangle rasteriser, beside pixman's transformed
// composite of the same picture at the same angle. Each draws a 512 x 512 picture turned by 0.5 radians
// about its centre onto an opaque 800 x 800 picture.
#include "framework/app/MTRand.h"
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/platform/CpuFeatures.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#if defined(ZORBEL_HAVE_PIXMAN)
#include <pixman.h>
#endif

using namespace Zorbel;

namespace {

constexpr int32_t SourceSize = 512;
constexpr int32_t DestSize = 800;
constexpr double Angle = 0.5;
// The picture's centre lands on the destination's centre.
constexpr double Pivot = DestSize / 2.0;

std::vector<uint32_t> SourcePixels(bool withAlpha) {
    Zorbel::MTRand random(1234);
    std::vector<uint32_t> pixels(size_t(SourceSize) * SourceSize);
    for (int32_t y = 0; y < SourceSize; ++y) {
        for (int32_t x = 0; x < SourceSize; ++x) {
            uint32_t rgb = random.Next() & 0x00FFFFFF;
            // A sprite: opaque in the middle, fading out towards the rim, clear in the corners.
            double r = std::hypot(x - SourceSize / 2.0, y - SourceSize / 2.0) / (SourceSize / 2.0);
            uint32_t alpha = !withAlpha ? 255 : r < 0.6 ? 255 : r > 1.0 ? 0 : uint32_t((1.0 - r) / 0.4 * 255);
            pixels[size_t(y) * SourceSize + size_t(x)] = alpha << 24 | rgb;
        }
    }
    return pixels;
}

struct Scene {
    ImageContext context;
    MemoryImage source{context};
    MemoryImage dest{context};

    explicit Scene(bool withAlpha) {
        std::vector<uint32_t> pixels = SourcePixels(withAlpha);
        source.SetPixels(pixels.data(), SourceSize, SourceSize, true);
        std::vector<uint32_t> background(size_t(DestSize) * DestSize, 0xFF203040);
        dest.SetPixels(background.data(), DestSize, DestSize, true);
    }
};

void Finish(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * SourceSize * SourceSize);
    state.counters["simd"] = CpuFeatures::SimdEnabled() ? 1 : 0;
}

void TurnedBlit(benchmark::State& state, bool withAlpha) {
    Scene scene(withAlpha);
    const float corner = float(Pivot - SourceSize / 2.0);
    const float centre = SourceSize / 2.0f;
    for (auto _ : state) {
        scene.dest.BlitImageTurned(&scene.source, corner, corner, FRect(0, 0, SourceSize, SourceSize),
                                   BlitState{scene.dest.GetBounds(), Color::White, DRAWMODE_NORMAL}, Angle,
                                   centre, centre);
        benchmark::DoNotOptimize(scene.dest.Bits());
    }
    Finish(state);
}

// The same turn as a matrix: the rasteriser's rotation is the turned blit's, with y pointing down.
void MatrixQuad(benchmark::State& state, bool filtered, bool withAlpha) {
    Scene scene(withAlpha);
    const Matrix3 turn = Matrix3::Rotation(float(Angle));
    // The quad is centred on (x, y) and shifted by half a pixel; this puts its centre on the pivot.
    const float at = float(Pivot + 0.5);
    for (auto _ : state) {
        scene.dest.BlitImageTransformed(&scene.source, at, at, turn,
                                        BlitState{scene.dest.GetBounds(), Color::White, DRAWMODE_NORMAL},
                                        scene.source.GetBounds(), filtered);
        benchmark::DoNotOptimize(scene.dest.Bits());
    }
    Finish(state);
}

void BM_Turned512Bilinear_Zorbel(benchmark::State& state) {
    TurnedBlit(state, false);
}
void BM_Turned512BilinearAlpha_Zorbel(benchmark::State& state) {
    TurnedBlit(state, true);
}
void BM_TexturedQuad512Bilinear_Zorbel(benchmark::State& state) {
    MatrixQuad(state, true, false);
}
void BM_TexturedQuad512BilinearAlpha_Zorbel(benchmark::State& state) {
    MatrixQuad(state, true, true);
}
void BM_TexturedQuad512Nearest_Zorbel(benchmark::State& state) {
    MatrixQuad(state, false, false);
}

BENCHMARK(BM_Turned512Bilinear_Zorbel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Turned512BilinearAlpha_Zorbel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TexturedQuad512Bilinear_Zorbel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TexturedQuad512BilinearAlpha_Zorbel)->Unit(benchmark::kMicrosecond);
void BM_TexturedQuad512NearestAlpha_Zorbel(benchmark::State& state) {
    MatrixQuad(state, false, true);
}

BENCHMARK(BM_TexturedQuad512Nearest_Zorbel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TexturedQuad512NearestAlpha_Zorbel)->Unit(benchmark::kMicrosecond);

#if defined(ZORBEL_HAVE_PIXMAN)

// pixman maps destination pixel centres back into the source: source = R^T (dest - pivot) + centre,
// the inverse of the turn (X, Y) -> (X cos + Y sin, Y cos - X sin).
void PixmanTurned(benchmark::State& state, pixman_filter_t filter, bool withAlpha) {
    std::vector<uint32_t> sourcePixels = SourcePixels(withAlpha);
    std::vector<uint32_t> destPixels(size_t(DestSize) * DestSize, 0xFF203040);
    pixman_image_t* source = pixman_image_create_bits(PIXMAN_a8r8g8b8, SourceSize, SourceSize,
                                                      sourcePixels.data(), SourceSize * 4);
    pixman_image_t* dest =
        pixman_image_create_bits(PIXMAN_a8r8g8b8, DestSize, DestSize, destPixels.data(), DestSize * 4);
    const double c = std::cos(Angle), s = std::sin(Angle), centre = SourceSize / 2.0;
    pixman_transform_t transform;
    pixman_transform_init_identity(&transform);
    transform.matrix[0][0] = pixman_double_to_fixed(c);
    transform.matrix[0][1] = pixman_double_to_fixed(-s);
    transform.matrix[0][2] = pixman_double_to_fixed(centre - (c * Pivot - s * Pivot));
    transform.matrix[1][0] = pixman_double_to_fixed(s);
    transform.matrix[1][1] = pixman_double_to_fixed(c);
    transform.matrix[1][2] = pixman_double_to_fixed(centre - (s * Pivot + c * Pivot));
    pixman_image_set_transform(source, &transform);
    pixman_image_set_filter(source, filter, nullptr, 0);
    pixman_image_set_repeat(source, PIXMAN_REPEAT_NONE);
    // The turned picture's bounding box, as the turned blit walks it.
    const double half = (std::abs(c) + std::abs(s)) * SourceSize / 2.0;
    const auto first = int32_t(std::floor(Pivot - half));
    const auto size = int32_t(std::ceil(Pivot + half)) - first;
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, source, nullptr, dest, first, first, 0, 0, first, first,
                                 size, size);
        benchmark::DoNotOptimize(destPixels.data());
    }
    pixman_image_unref(source);
    pixman_image_unref(dest);
    state.SetItemsProcessed(state.iterations() * SourceSize * SourceSize);
}

void BM_Turned512Bilinear_Pixman(benchmark::State& state) {
    PixmanTurned(state, PIXMAN_FILTER_BILINEAR, false);
}
void BM_Turned512BilinearAlpha_Pixman(benchmark::State& state) {
    PixmanTurned(state, PIXMAN_FILTER_BILINEAR, true);
}
void BM_Turned512Nearest_Pixman(benchmark::State& state) {
    PixmanTurned(state, PIXMAN_FILTER_NEAREST, false);
}

BENCHMARK(BM_Turned512Bilinear_Pixman)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Turned512BilinearAlpha_Pixman)->Unit(benchmark::kMicrosecond);
void BM_Turned512NearestAlpha_Pixman(benchmark::State& state) {
    PixmanTurned(state, PIXMAN_FILTER_NEAREST, true);
}

BENCHMARK(BM_Turned512Nearest_Pixman)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Turned512NearestAlpha_Pixman)->Unit(benchmark::kMicrosecond);

#endif

} // namespace

BENCHMARK_MAIN();
