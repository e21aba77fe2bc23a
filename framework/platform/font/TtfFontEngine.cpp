#include "framework/platform/font/TtfFontEngine.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>

namespace Zorbel {

namespace {

class TtfFontFace : public FontFace {
public:
    TtfFontFace(const FontRequest& request, TTF_Font* font) : mRequest(request), mFont(font) {}
    ~TtfFontFace() override { TTF_CloseFont(mFont); }
    TtfFontFace(const TtfFontFace&) = delete;
    TtfFontFace& operator=(const TtfFontFace&) = delete;

    const FontRequest& Request() const override { return mRequest; }
    int32_t Ascent() const override { return TTF_FontAscent(mFont); }
    int32_t Height() const override { return TTF_FontHeight(mFont); }

    int32_t TextWidth(const std::string& text) override {
        if (text.empty()) return 0;
        int width = 0;
        int height = 0;
        // SDL_ttf's "Text" functions take Latin-1, which is what our strings hold.
        if (TTF_SizeText(mFont, text.c_str(), &width, &height) != 0) return 0;
        return width;
    }

    TextCoverage Render(const std::string& text) override {
        TextCoverage coverage;
        if (text.empty()) return coverage;
        SDL_Surface* rendered = TTF_RenderText_Blended(mFont, text.c_str(), SDL_Color{255, 255, 255, 255});
        if (rendered == nullptr) return coverage;
        SDL_Surface* argb = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
        SDL_FreeSurface(rendered);
        if (argb == nullptr) return coverage;
        coverage.width = argb->w;
        coverage.height = argb->h;
        coverage.alpha.resize(static_cast<size_t>(argb->w) * static_cast<size_t>(argb->h));
        SDL_LockSurface(argb);
        for (int y = 0; y < argb->h; ++y) {
            const auto* row =
                reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) +
                                                  static_cast<size_t>(y) * static_cast<size_t>(argb->pitch));
            for (int x = 0; x < argb->w; ++x)
                coverage
                    .alpha[static_cast<size_t>(y) * static_cast<size_t>(argb->w) + static_cast<size_t>(x)] =
                    static_cast<uint8_t>(row[x] >> 24);
        }
        SDL_UnlockSurface(argb);
        SDL_FreeSurface(argb);
        return coverage;
    }

private:
    FontRequest mRequest;
    TTF_Font* mFont;
};

// fontconfig keeps one process-wide configuration; the last engine to go releases it, so that
// nothing of it outlives the fonts.
int gFontconfigUsers = 0;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

} // namespace

TtfFontEngine::TtfFontEngine() {
    // SDL_ttf counts its initialisations, so every engine takes and gives back one of its own.
    mTtfStarted = TTF_Init() == 0;
    mFontconfigStarted = FcInit() == FcTrue;
    if (mFontconfigStarted) ++gFontconfigUsers;
    mReady = mTtfStarted && mFontconfigStarted;
}

TtfFontEngine::~TtfFontEngine() {
    if (mTtfStarted) TTF_Quit();
    if (mFontconfigStarted && --gFontconfigUsers == 0) FcFini();
}

std::string TtfFontEngine::FamilyFor(const std::string& face) {
    std::string lower = Lower(face);
    if (lower == "sansserif" || lower == "dialog" || lower == "dialoginput") return "sans-serif";
    if (lower == "serif") return "serif";
    if (lower == "monospaced") return "monospace";
    return face;
}

TtfFontEngine::ResolvedFace TtfFontEngine::Resolve(const std::string& face, bool bold, bool italic) {
    auto key = std::make_tuple(face, bold, italic);
    if (auto found = mResolved.find(key); found != mResolved.end()) return found->second;

    ResolvedFace resolved;
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) return resolved;
    std::string family = FamilyFor(face);
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) return resolved;

    FcChar8* file = nullptr;
    int index = 0;
    int weight = FC_WEIGHT_REGULAR;
    int slant = FC_SLANT_ROMAN;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file != nullptr) {
        resolved.file = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(match, FC_SLANT, 0, &slant);
        resolved.index = index;
        resolved.syntheticBold = bold && weight < FC_WEIGHT_DEMIBOLD;
        resolved.syntheticItalic = italic && slant == FC_SLANT_ROMAN;
    }
    FcPatternDestroy(match);
    mResolved.emplace(key, resolved);
    return resolved;
}

std::unique_ptr<FontFace> TtfFontEngine::OpenFace(const FontRequest& request) {
    if (!mReady || request.pixelHeight <= 0) return nullptr;
    ResolvedFace resolved = Resolve(request.face, request.bold, request.italic);
    if (resolved.file.empty()) return nullptr;
    // At SDL_ttf's 72 dpi a point is a pixel, so this is the em size in pixels.
    TTF_Font* font = TTF_OpenFontIndex(resolved.file.c_str(), request.pixelHeight, resolved.index);
    if (font == nullptr) return nullptr;
    int style = TTF_STYLE_NORMAL;
    if (resolved.syntheticBold) style |= TTF_STYLE_BOLD;
    if (resolved.syntheticItalic) style |= TTF_STYLE_ITALIC;
    if (request.underline) style |= TTF_STYLE_UNDERLINE;
    TTF_SetFontStyle(font, style);
    return std::make_unique<TtfFontFace>(request, font);
}

} // namespace Zorbel
