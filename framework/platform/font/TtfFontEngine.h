#pragma once

#include "framework/platform/FontEngine.h"

#include <map>
#include <string>
#include <tuple>

namespace Zorbel {

// System fonts through fontconfig (finding the file of a face, or of its substitute) and FreeType
// through SDL2_ttf (rasterising). Faces that fontconfig cannot find map to the system's default sans
// face; a style the chosen file lacks is synthesised.
class TtfFontEngine : public FontEngine {
public:
    // Where a face request leads: a font file, the face within it, and the styles to synthesise.
    struct ResolvedFace {
        std::string file;
        int32_t index = 0;
        bool syntheticBold = false;
        bool syntheticItalic = false;
    };

    TtfFontEngine();
    ~TtfFontEngine() override;
    TtfFontEngine(const TtfFontEngine&) = delete;
    TtfFontEngine& operator=(const TtfFontEngine&) = delete;

    std::unique_ptr<FontFace> OpenFace(const FontRequest& request) override;

    // False when neither fontconfig nor FreeType could start.
    bool IsAvailable() const { return mReady; }
    // An empty file when fontconfig knows no font at all.
    ResolvedFace Resolve(const std::string& face, bool bold, bool italic);
    // The fontconfig family asked for a face name: the logical names of other toolkits map to the
    // generic families ("SansSerif" to "sans-serif"); any other name is asked for as it is.
    static std::string FamilyFor(const std::string& face);

private:
    bool mTtfStarted = false;
    bool mFontconfigStarted = false;
    bool mReady = false;
    std::map<std::tuple<std::string, bool, bool>, ResolvedFace> mResolved;
};

} // namespace Zorbel
