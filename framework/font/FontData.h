#pragma once

#include "framework/font/DescParser.h"
#include "framework/font/FontLayer.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Zorbel {

class FontHost;
class MemoryImage;

// The layers of an image font and everything its descriptor defines, shared by every ImageFont made
// from it. It is the descriptor's command handler: each font command fills in layers, the character
// map or the default size. Errors go to the host's error display, naming the file, line and command.
class FontData : public DescParser {
public:
    // More layers than any font needs; each costs about 74 KB.
    static constexpr size_t MaxLayers = 64;

    // The host, when given, must outlive the data; without one, pictures cannot be loaded and errors
    // are not shown.
    explicit FontData(FontHost* host);
    ~FontData() override;

    // Reads the descriptor. Only the first load (of either kind) reads anything; later ones fail.
    [[nodiscard]] bool Load(const std::string& path);
    // The older form: one layer cut from image by a text file of character widths.
    [[nodiscard]] bool LoadLegacy(std::shared_ptr<MemoryImage> image, const std::string& widthsPath);

    bool Error(const std::string& message) override;
    bool HandleCommand(const ListDataElement& elements) override;

    bool IsInitialized() const { return mInitialized; }
    FontHost* GetHost() const { return mHost; }
    int32_t GetDefaultPointSize() const { return mDefaultPointSize; }
    // Every character is translated through this map before it is looked up.
    uint8_t MapChar(char c) const { return mCharMap[static_cast<uint8_t>(c)]; }
    // In creation order, which is also their drawing order within one priority.
    const std::vector<std::unique_ptr<FontLayer>>& Layers() const { return mLayers; }
    // By name, in any case; null when there is none.
    FontLayer* GetLayer(const std::string& name) const;
    const std::string& GetSourceFile() const { return mSourceFile; }

private:
    using Handler = bool (FontData::*)(const ListDataElement&);
    struct Command {
        const char* name;
        size_t count;
        Handler handler;
    };
    static const Command kCommands[];

    // Parameter conversions: each reports what is wrong and returns false.
    bool FindLayer(const DataElement& element, FontLayer*& layer);
    bool IntParam(const DataElement& element, int32_t& value);
    bool ParamError(int32_t reportsBefore);

    bool CreateHorzSpanRectList(const ListDataElement& e);
    bool SetDefaultPointSize(const ListDataElement& e);
    bool SetCharMap(const ListDataElement& e);
    bool CreateLayer(const ListDataElement& e);
    bool CreateLayerFrom(const ListDataElement& e);
    bool AddLayer(const DataElement& name, std::unique_ptr<FontLayer> layer);
    bool LayerRequireTags(const ListDataElement& e);
    bool LayerExcludeTags(const ListDataElement& e);
    bool AppendTags(const ListDataElement& e, std::vector<std::string> FontLayer::*tags);
    bool LayerPointRange(const ListDataElement& e);
    bool LayerSetImage(const ListDataElement& e);
    bool LayerSetDrawMode(const ListDataElement& e);
    bool LayerSetColorMult(const ListDataElement& e);
    bool LayerSetColorAdd(const ListDataElement& e);
    bool SetLayerColor(const ListDataElement& e, Color FontLayer::*color);
    template <int32_t FontLayer::*Field>
    bool SetLayerInt(const ListDataElement& e);
    bool LayerSetOffset(const ListDataElement& e);
    bool LayerSetCharWidths(const ListDataElement& e);
    bool LayerSetImageMap(const ListDataElement& e);
    bool CharsAndLists(const ListDataElement& e, FontLayer*& layer, std::vector<std::string>& chars,
                       ListDataElement& lists);
    bool LayerSetCharOffsets(const ListDataElement& e);
    bool LayerSetKerningPairs(const ListDataElement& e);
    bool LayerSetCharOrders(const ListDataElement& e);
    bool SetCharInts(const ListDataElement& e, int32_t FontLayer::CharData::*field);
    using KeyedSetter = std::function<void(FontLayer&, const std::string&, int32_t)>;
    bool SetKeyedInts(const ListDataElement& e, size_t keyLength, const KeyedSetter& set);

    bool mInitialized = false;
    bool mLoadAttempted = false;
    FontHost* mHost;
    int32_t mDefaultPointSize = 0;
    std::array<uint8_t, 256> mCharMap{};
    std::vector<std::unique_ptr<FontLayer>> mLayers;
    std::map<std::string, FontLayer*> mLayersByName;
    std::string mSourceFile;
    std::string mErrorHeader;
};

} // namespace Zorbel
