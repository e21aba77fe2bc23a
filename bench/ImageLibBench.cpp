// Picture loading beside its references, on 1920 × 1080 pictures that the benchmark makes itself:
//   - our GIF decoder against giflib's DGifSlurp (which stops at colour indices, while ours also
//     maps them through the palette to 0xAARRGGBB);
//   - our PNG and JPEG readers against the shortest direct decode loop over the same library that
//     produces the same pixels (8-bit B, G, R, A rows straight into one freshly allocated array).
// Each reference's output is compared with ours before anything is timed.
#include "framework/imagelib/ImageLib.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#ifdef ZORBEL_HAVE_GIFLIB
#include <gif_lib.h>
#endif

using namespace Zorbel::ImageLib;

namespace {

constexpr int Width = 1920;
constexpr int Height = 1080;

std::string BenchPath(const std::string& name) {
    static const std::filesystem::path* folder = [] {
        auto made = new std::filesystem::path(std::filesystem::temp_directory_path() /
                                              ("zorbel-bench-" + std::to_string(::getpid())));
        std::filesystem::create_directories(*made);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(*folder, ignored);
        });
        return made;
    }();
    return (*folder / name).string();
}

// A smooth, photograph-like field of 256 levels with a little ordered dither, as GIFs of pictures
// usually are; "flat" gives large single-colour areas, as GIFs of drawings and screens are.
std::vector<uint8_t> MakeIndices(bool flat) {
    std::vector<uint8_t> indices(size_t(Width) * Height);
    static const int Dither[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            uint8_t& index = indices[size_t(y) * Width + size_t(x)];
            if (flat) {
                index = static_cast<uint8_t>(((x / 120) * 7 + (y / 90) * 3 + ((x - y) / 200)) & 15);
                continue;
            }
            double v = std::sin(x / 37.0) + std::sin(y / 23.0) + std::sin((x + y) / 51.0) +
                       std::sin(std::sqrt(double(x) * x + double(y) * y) / 19.0);
            int level = static_cast<int>((v + 4.0) * 31.5) + Dither[y & 3][x & 3] / 4 - 2;
            index = static_cast<uint8_t>(std::clamp(level, 0, 255));
        }
    }
    return indices;
}

uint32_t PaletteColor(int i) {
    return 0xFF000000u | uint32_t(i) << 16 | uint32_t((i * 3) & 255) << 8 | uint32_t(255 - i);
}

// The same picture as full colour, for the PNG and JPEG files.
std::unique_ptr<Image> MakePicture() {
    std::vector<uint8_t> indices = MakeIndices(false);
    auto image = Image::Create(Width, Height);
    for (size_t i = 0; i < indices.size(); ++i)
        image->GetBits()[i] = PaletteColor(indices[i]);
    return image;
}

bool SamePixels(const Image& a, const uint32_t* b) {
    return std::equal(a.GetBits(), a.GetBits() + a.GetPixelCount(), b);
}

#ifdef ZORBEL_HAVE_GIFLIB

// GIFs are written by giflib, so that our decoder reads another encoder's output.
std::string GifFile(bool flat) {
    std::string path = BenchPath(flat ? "flat.gif" : "photo.gif");
    if (std::filesystem::exists(path)) return path;
    std::vector<uint8_t> indices = MakeIndices(flat);
    GifColorType colors[256];
    for (int i = 0; i < 256; ++i) {
        uint32_t c = PaletteColor(i);
        colors[i] = {static_cast<GifByteType>(c >> 16), static_cast<GifByteType>(c >> 8),
                     static_cast<GifByteType>(c)};
    }
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    ColorMapObject* map = GifMakeMapObject(256, colors);
    bool ok = gif && map && EGifPutScreenDesc(gif, Width, Height, 8, 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, Width, Height, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < Height; ++y)
        ok = EGifPutLine(gif, &indices[size_t(y) * Width], Width) == GIF_OK;
    GifFreeMapObject(map);
    if (gif) EGifCloseFile(gif, &error);
    if (!ok) std::abort();
    return path;
}

// Decodes with giflib into its own structures and returns the first image's pixels, for checking.
std::vector<uint32_t> GiflibPixels(const std::string& path) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    std::vector<uint32_t> pixels;
    if (gif && DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0) {
        const SavedImage& image = gif->SavedImages[0];
        const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        size_t count = size_t(image.ImageDesc.Width) * size_t(image.ImageDesc.Height);
        for (size_t i = 0; i < count; ++i) {
            const GifColorType& c = map->Colors[image.RasterBits[i]];
            pixels.push_back(0xFF000000u | uint32_t(c.Red) << 16 | uint32_t(c.Green) << 8 | c.Blue);
        }
    }
    if (gif) DGifCloseFile(gif, &error);
    return pixels;
}

void BM_ReadGif(benchmark::State& state, bool flat) {
    std::string path = GifFile(flat);
    auto check = ReadGif(path);
    if (!check || !SamePixels(*check, GiflibPixels(path).data())) {
        state.SkipWithError("our decoder and giflib disagree");
        return;
    }
    for (auto _ : state) {
        auto image = ReadGif(path);
        benchmark::DoNotOptimize(image->GetBits());
    }
    state.SetItemsProcessed(state.iterations() * Width * Height);
}

void BM_GiflibSlurp(benchmark::State& state, bool flat) {
    std::string path = GifFile(flat);
    for (auto _ : state) {
        int error = 0;
        GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
        if (!gif || DGifSlurp(gif) != GIF_OK) state.SkipWithError("giflib failed");
        benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits);
        DGifCloseFile(gif, &error);
    }
    state.SetItemsProcessed(state.iterations() * Width * Height);
}

BENCHMARK_CAPTURE(BM_ReadGif, photo, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_GiflibSlurp, photo, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ReadGif, flat, true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_GiflibSlurp, flat, true)->Unit(benchmark::kMillisecond)->UseRealTime();

#endif // ZORBEL_HAVE_GIFLIB

std::string PngFile() {
    std::string path = BenchPath("picture.png");
    if (!std::filesystem::exists(path) && !WritePng(path, *MakePicture())) std::abort();
    return path;
}

std::string JpegFile() {
    std::string path = BenchPath("picture.jpg");
    if (!std::filesystem::exists(path) && !WriteJpeg(path, *MakePicture())) std::abort();
    return path;
}

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
using Pixels = std::unique_ptr<uint32_t, FreeDeleter>;

// The direct loop: open, read the header, ask for B, G, R, A, read every row into place, finish.
Pixels DirectPng(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    uint32_t* pixels = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        std::free(pixels);
        return nullptr;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    png_uint_32 width = png_get_image_width(png, info);
    png_uint_32 height = png_get_image_height(png, info);
    png_set_expand(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_scale_16(png);
    png_read_update_info(png, info);
    pixels = static_cast<uint32_t*>(std::malloc(size_t(width) * height * 4));
    for (png_uint_32 y = 0; y < height; ++y)
        png_read_row(png, reinterpret_cast<png_bytep>(pixels + size_t(y) * width), nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return Pixels(pixels);
}

Pixels DirectJpeg(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&info);
    size_t width = info.output_width;
    auto* pixels = static_cast<uint32_t*>(std::malloc(width * info.output_height * 4));
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[4];
        JDIMENSION count = std::min<JDIMENSION>(info.output_height - info.output_scanline, 4);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = reinterpret_cast<JSAMPROW>(pixels + (info.output_scanline + i) * width);
        jpeg_read_scanlines(&info, rows, count);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return Pixels(pixels);
}

template <typename Decode>
void CheckAgainst(benchmark::State& state, const std::unique_ptr<Image>& ours, Decode direct) {
    Pixels reference = direct();
    if (!ours || !reference || !SamePixels(*ours, reference.get()))
        state.SkipWithError("our reader and the direct loop disagree");
}

void BM_ReadPng(benchmark::State& state) {
    std::string path = PngFile();
    CheckAgainst(state, ReadPng(path), [&] { return DirectPng(path); });
    for (auto _ : state) {
        auto image = ReadPng(path);
        benchmark::DoNotOptimize(image->GetBits());
    }
    state.SetItemsProcessed(state.iterations() * Width * Height);
}

void BM_DirectPngLoop(benchmark::State& state) {
    std::string path = PngFile();
    for (auto _ : state) {
        Pixels pixels = DirectPng(path);
        benchmark::DoNotOptimize(pixels.get());
    }
    state.SetItemsProcessed(state.iterations() * Width * Height);
}

void BM_ReadJpeg(benchmark::State& state) {
    std::string path = JpegFile();
    CheckAgainst(state, ReadJpeg(path), [&] { return DirectJpeg(path); });
    for (auto _ : state) {
        auto image = ReadJpeg(path);
        benchmark::DoNotOptimize(image->GetBits());
    }
    state.SetItemsProcessed(state.iterations() * Width * Height);
}

void BM_DirectJpegLoop(benchmark::State& state) {
    std::string path = JpegFile();
    for (auto _ : state) {
        Pixels pixels = DirectJpeg(path);
        benchmark::DoNotOptimize(pixels.get());
    }
    state.SetItemsProcessed(state.iterations() * Width * Height);
}

BENCHMARK(BM_ReadPng)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DirectPngLoop)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadJpeg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DirectJpegLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
