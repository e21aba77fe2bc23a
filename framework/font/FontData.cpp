#include "framework/font/FontData.h"

#include "framework/font/FontHost.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/platform/files/InputFile.h"
#include "framework/platform/files/Path.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <limits>
#include <sstream>

namespace Zorbel {

namespace {

const char* const kParamType = "Invalid Paramater Type";
const char* const kSizeMismatch = "List Size Mismatch";

enum class Entry { Applied, Skipped, Failed };

int32_t ClampToInt(int64_t value) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// value x 255, truncated, kept inside what a colour channel's arithmetic can hold.
int32_t ColorChannel(double value) {
    return static_cast<int32_t>(std::trunc(std::clamp(value * 255.0, -65536.0, 65536.0)));
}

// A resolved list of exactly count integers.
bool IntList(const DataElement& element, size_t count, int32_t* values) {
    if (!element.IsList()) return false;
    const auto& list = static_cast<const ListDataElement&>(element);
    if (list.Size() != count) return false;
    for (size_t i = 0; i < count; ++i) {
        if (list[i].IsList()) return false;
        if (!DescParser::StringToInt(static_cast<const SingleDataElement&>(list[i]).Value(), values[i]))
            return false;
    }
    return true;
}

const std::string& Text(const DataElement& element) {
    return static_cast<const SingleDataElement&>(element).Value();
}

} // namespace

const FontData::Command FontData::kCommands[] = {
    {"DEFINE", 3, nullptr}, // the parser's own
    {"CREATEHORZSPANRECTLIST", 4, &FontData::CreateHorzSpanRectList},
    {"SETDEFAULTPOINTSIZE", 2, &FontData::SetDefaultPointSize},
    {"SETCHARMAP", 3, &FontData::SetCharMap},
    {"CREATELAYER", 2, &FontData::CreateLayer},
    {"CREATELAYERFROM", 3, &FontData::CreateLayerFrom},
    {"LAYERREQUIRETAGS", 3, &FontData::LayerRequireTags},
    {"LAYEREXCLUDETAGS", 3, &FontData::LayerExcludeTags},
    {"LAYERPOINTRANGE", 4, &FontData::LayerPointRange},
    {"LAYERSETPOINTSIZE", 3, &FontData::SetLayerInt<&FontLayer::pointSize>},
    {"LAYERSETIMAGE", 3, &FontData::LayerSetImage},
    {"LAYERSETDRAWMODE", 3, &FontData::LayerSetDrawMode},
    {"LAYERSETCOLORMULT", 3, &FontData::LayerSetColorMult},
    {"LAYERSETCOLORADD", 3, &FontData::LayerSetColorAdd},
    {"LAYERSETASCENT", 3, &FontData::SetLayerInt<&FontLayer::ascent>},
    {"LAYERSETASCENTPADDING", 3, &FontData::SetLayerInt<&FontLayer::ascentPadding>},
    {"LAYERSETLINESPACINGOFFSET", 3, &FontData::SetLayerInt<&FontLayer::lineSpacingOffset>},
    {"LAYERSETOFFSET", 3, &FontData::LayerSetOffset},
    {"LAYERSETCHARWIDTHS", 4, &FontData::LayerSetCharWidths},
    {"LAYERSETSPACING", 3, &FontData::SetLayerInt<&FontLayer::spacing>},
    {"LAYERSETIMAGEMAP", 4, &FontData::LayerSetImageMap},
    {"LAYERSETCHAROFFSETS", 4, &FontData::LayerSetCharOffsets},
    {"LAYERSETKERNINGPAIRS", 4, &FontData::LayerSetKerningPairs},
    {"LAYERSETBASEORDER", 3, &FontData::SetLayerInt<&FontLayer::baseOrder>},
    {"LAYERSETCHARORDERS", 4, &FontData::LayerSetCharOrders},
};

FontData::FontData(FontHost* host) : mHost(host) {
    for (size_t i = 0; i < mCharMap.size(); ++i)
        mCharMap[i] = static_cast<uint8_t>(i);
}

FontData::~FontData() = default;

FontLayer* FontData::GetLayer(const std::string& name) const {
    auto found = mLayersByName.find(StringToUpper(name));
    return found != mLayersByName.end() ? found->second : nullptr;
}

bool FontData::Load(const std::string& path) {
    if (mLoadAttempted) return false;
    mLoadAttempted = true;
    mSourceFile = path;
    mErrorHeader = "Font Descriptor Error in " + path + "\r\n";
    mInitialized = LoadDescriptor(path);
    return mInitialized;
}

bool FontData::Error(const std::string& message) {
    std::string text = mErrorHeader + message;
    if (!GetCurrentCommand().empty())
        text += " on Line " + std::to_string(GetCurrentLineNumber()) + ":\r\n\r\n" + GetCurrentCommand();
    DescParser::Error(text);
    if (mHost != nullptr) mHost->ShowFontError(text);
    return false;
}

bool FontData::HandleCommand(const ListDataElement& elements) {
    if (elements.Size() == 0 || elements[0].IsList()) return Report("Missing Command");
    const std::string word = StringToUpper(Text(elements[0]));
    for (const Command& command : kCommands) {
        if (word != command.name) continue;
        if (elements.Size() != command.count) return Report("Invalid Number of Parameters");
        return command.handler != nullptr ? (this->*command.handler)(elements) : HandleDefine(elements);
    }
    return Report("Unknown Command");
}

// --- Parameters ---

// An unknown layer name is reported, and then the parameter is wrong as well.
bool FontData::FindLayer(const DataElement& element, FontLayer*& layer) {
    layer = element.IsList() ? nullptr : GetLayer(Text(element));
    if (layer != nullptr) return true;
    if (!element.IsList()) Report("Undefined Layer");
    return Report(kParamType);
}

bool FontData::IntParam(const DataElement& element, int32_t& value) {
    return !element.IsList() && StringToInt(Text(element), value);
}

// A conversion that failed without saying why has a parameter of the wrong type.
bool FontData::ParamError(int32_t reportsBefore) {
    return ReportCount() > reportsBefore ? false : Report(kParamType);
}

// Both lists are converted before anything is applied; an entry of the wrong shape is skipped, and
// the command fails once the others are in.
namespace {

template <typename Apply>
Entry ApplyEntries(size_t count, Apply apply) {
    bool skipped = false;
    for (size_t i = 0; i < count; ++i) {
        const Entry entry = apply(i);
        if (entry == Entry::Failed) return Entry::Failed;
        skipped = skipped || entry == Entry::Skipped;
    }
    return skipped ? Entry::Skipped : Entry::Applied;
}

} // namespace

// --- Commands ---

bool FontData::CreateHorzSpanRectList(const ListDataElement& e) {
    const int32_t before = ReportCount();
    std::vector<int32_t> rect;
    std::vector<int32_t> widths;
    if (e[1].IsList() || !DataToIntVector(e[2], rect) || rect.size() != 4 || !DataToIntVector(e[3], widths))
        return ParamError(before);
    auto list = std::make_unique<ListDataElement>();
    int64_t x = rect[0];
    for (int32_t width : widths) {
        auto span = std::make_unique<ListDataElement>();
        for (int64_t value : {x, int64_t(rect[1]), int64_t(width), int64_t(rect[3])})
            span->Append(std::make_unique<SingleDataElement>(std::to_string(value)));
        list->Append(std::move(span));
        x += width;
    }
    return SetDefine(Text(e[1]), std::move(list));
}

bool FontData::SetDefaultPointSize(const ListDataElement& e) {
    return IntParam(e[1], mDefaultPointSize) || Report(kParamType);
}

bool FontData::SetCharMap(const ListDataElement& e) {
    const int32_t before = ReportCount();
    std::vector<std::string> from;
    std::vector<std::string> to;
    if (!DataToStringVector(e[1], from) || !DataToStringVector(e[2], to)) return ParamError(before);
    if (from.size() != to.size()) return Report(kSizeMismatch);
    const Entry result = ApplyEntries(from.size(), [&](size_t i) {
        if (from[i].size() != 1 || to[i].size() != 1) return Entry::Skipped;
        mCharMap[static_cast<uint8_t>(from[i][0])] = static_cast<uint8_t>(to[i][0]);
        return Entry::Applied;
    });
    return result == Entry::Applied || Report(kParamType);
}

bool FontData::CreateLayer(const ListDataElement& e) {
    if (e[1].IsList()) return Report(kParamType);
    return AddLayer(e[1], std::make_unique<FontLayer>(this));
}

bool FontData::CreateLayerFrom(const ListDataElement& e) {
    if (e[1].IsList()) return Report(kParamType);
    FontLayer* source = nullptr;
    if (!FindLayer(e[2], source)) return false;
    return AddLayer(e[1], std::make_unique<FontLayer>(*source));
}

// A name already taken is reported, yet the layer is kept, without a name, and loading goes on.
bool FontData::AddLayer(const DataElement& name, std::unique_ptr<FontLayer> layer) {
    if (mLayers.size() >= MaxLayers) return Report("Too Many Layers");
    const std::string key = StringToUpper(Text(name));
    FontLayer* added = mLayers.emplace_back(std::move(layer)).get();
    if (mLayersByName.count(key) != 0) {
        Report("Layer Already Exists");
        return true;
    }
    mLayersByName[key] = added;
    return true;
}

bool FontData::LayerRequireTags(const ListDataElement& e) {
    return AppendTags(e, &FontLayer::requiredTags);
}

bool FontData::LayerExcludeTags(const ListDataElement& e) {
    return AppendTags(e, &FontLayer::excludedTags);
}

bool FontData::AppendTags(const ListDataElement& e, std::vector<std::string> FontLayer::*tags) {
    FontLayer* layer = nullptr;
    if (!FindLayer(e[1], layer)) return false;
    const int32_t before = ReportCount();
    std::vector<std::string> texts;
    if (!DataToStringVector(e[2], texts)) return ParamError(before);
    for (const std::string& tag : texts)
        (layer->*tags).push_back(StringToUpper(tag));
    return true;
}

bool FontData::LayerPointRange(const ListDataElement& e) {
    FontLayer* layer = nullptr;
    int32_t low = 0;
    int32_t high = 0;
    if (!FindLayer(e[1], layer)) return false;
    if (!IntParam(e[2], low) || !IntParam(e[3], high)) return Report(kParamType);
    layer->minPointSize = low;
    layer->maxPointSize = high;
    return true;
}

template <int32_t FontLayer::*Field>
bool FontData::SetLayerInt(const ListDataElement& e) {
    FontLayer* layer = nullptr;
    int32_t value = 0;
    if (!FindLayer(e[1], layer)) return false;
    if (!IntParam(e[2], value)) return Report(kParamType);
    layer->*Field = value;
    return true;
}

bool FontData::LayerSetImage(const ListDataElement& e) {
    FontLayer* layer = nullptr;
    if (!FindLayer(e[1], layer)) return false;
    std::string name;
    if (!DataToString(e[2], name)) return Report(kParamType);
    const std::string folder = GetFileDir(mSourceFile);
    const std::string path = folder.empty() || (!name.empty() && name[0] == '/') ? name : folder + "/" + name;
    bool isNew = false;
    std::shared_ptr<MemoryImage> image = mHost != nullptr ? mHost->LoadFontPicture(path, isNew) : nullptr;
    if (!image) return Report("Failed to Load Image");
    // Glyph pictures seldom have many colours, and eight bits a pixel draw faster.
    if (isNew) (void)image->ConvertToPalette();
    layer->image = std::move(image);
    return true;
}

bool FontData::LayerSetDrawMode(const ListDataElement& e) {
    FontLayer* layer = nullptr;
    int32_t mode = 0;
    if (!FindLayer(e[1], layer)) return false;
    if (!IntParam(e[2], mode) || (mode != 0 && mode != 1)) return Report(kParamType);
    layer->drawMode = mode;
    return true;
}

bool FontData::LayerSetColorMult(const ListDataElement& e) {
    return SetLayerColor(e, &FontLayer::colorMult);
}

bool FontData::LayerSetColorAdd(const ListDataElement& e) {
    return SetLayerColor(e, &FontLayer::colorAdd);
}

bool FontData::SetLayerColor(const ListDataElement& e, Color FontLayer::*color) {
    FontLayer* layer = nullptr;
    if (!FindLayer(e[1], layer)) return false;
    const int32_t before = ReportCount();
    std::vector<double> values;
    if (!DataToDoubleVector(e[2], values) || values.size() != 4) return ParamError(before);
    layer->*color = Color(ColorChannel(values[0]), ColorChannel(values[1]), ColorChannel(values[2]),
                          ColorChannel(values[3]));
    return true;
}

bool FontData::LayerSetOffset(const ListDataElement& e) {
    FontLayer* layer = nullptr;
    if (!FindLayer(e[1], layer)) return false;
    const int32_t before = ReportCount();
    std::vector<int32_t> values;
    if (!DataToIntVector(e[2], values) || values.size() != 2) return ParamError(before);
    layer->offsetX = values[0];
    layer->offsetY = values[1];
    return true;
}

bool FontData::LayerSetCharWidths(const ListDataElement& e) {
    return SetCharInts(e, &FontLayer::CharData::width);
}

bool FontData::LayerSetCharOrders(const ListDataElement& e) {
    return SetCharInts(e, &FontLayer::CharData::order);
}

bool FontData::SetCharInts(const ListDataElement& e, int32_t FontLayer::CharData::*field) {
    return SetKeyedInts(e, 1, [field](FontLayer& layer, const std::string& key, int32_t value) {
        layer.Char(static_cast<uint8_t>(key[0])).*field = value;
    });
}

bool FontData::LayerSetKerningPairs(const ListDataElement& e) {
    return SetKeyedInts(e, 2, [](FontLayer& layer, const std::string& pair, int32_t offset) {
        layer.Char(static_cast<uint8_t>(pair[0])).kerningOffsets[static_cast<uint8_t>(pair[1])] =
            static_cast<int8_t>(offset);
    });
}

// A layer, a list of keys of keyLength characters and a list of integers, applied pair by pair.
bool FontData::SetKeyedInts(const ListDataElement& e, size_t keyLength, const KeyedSetter& set) {
    FontLayer* layer = nullptr;
    if (!FindLayer(e[1], layer)) return false;
    const int32_t before = ReportCount();
    std::vector<std::string> keys;
    std::vector<int32_t> values;
    if (!DataToStringVector(e[2], keys) || !DataToIntVector(e[3], values)) return ParamError(before);
    if (keys.size() != values.size()) return Report(kSizeMismatch);
    const Entry result = ApplyEntries(keys.size(), [&](size_t i) {
        if (keys[i].size() != keyLength) return Entry::Skipped;
        set(*layer, keys[i], values[i]);
        return Entry::Applied;
    });
    return result == Entry::Applied || Report(kParamType);
}

// The characters and the list of value lists of LayerSetImageMap and LayerSetCharOffsets.
bool FontData::CharsAndLists(const ListDataElement& e, FontLayer*& layer, std::vector<std::string>& chars,
                             ListDataElement& lists) {
    if (!FindLayer(e[1], layer)) return false;
    const int32_t before = ReportCount();
    if (!DataToStringVector(e[2], chars) || !DataToListOrDefine(e[3], lists)) return ParamError(before);
    return chars.size() == lists.Size() || Report(kSizeMismatch);
}

bool FontData::LayerSetImageMap(const ListDataElement& e) {
    FontLayer* layer = nullptr;
    std::vector<std::string> chars;
    ListDataElement rects;
    if (!CharsAndLists(e, layer, chars, rects)) return false;
    if (!layer->image) return Report("Layer image not set");
    const int64_t pictureWidth = layer->image->GetWidth();
    const int64_t pictureHeight = layer->image->GetHeight();
    const Entry result = ApplyEntries(chars.size(), [&](size_t i) {
        int32_t r[4];
        if (chars[i].size() != 1 || !IntList(rects[i], 4, r)) return Entry::Skipped;
        // A negative extent is as far outside the picture as a rectangle can be.
        if (r[0] < 0 || r[1] < 0 || r[2] < 0 || r[3] < 0 || int64_t(r[0]) + r[2] > pictureWidth ||
            int64_t(r[1]) + r[3] > pictureHeight) {
            Report("Image rectangle out of bounds");
            return Entry::Failed;
        }
        layer->Char(static_cast<uint8_t>(chars[i][0])).imageRect = Rect(r[0], r[1], r[2], r[3]);
        return Entry::Applied;
    });
    if (result == Entry::Failed) return false;
    layer->ComputeHeight();
    return result == Entry::Applied || Report(kParamType);
}

bool FontData::LayerSetCharOffsets(const ListDataElement& e) {
    FontLayer* layer = nullptr;
    std::vector<std::string> chars;
    ListDataElement offsets;
    if (!CharsAndLists(e, layer, chars, offsets)) return false;
    const Entry result = ApplyEntries(chars.size(), [&](size_t i) {
        int32_t offset[2];
        if (chars[i].size() != 1 || !IntList(offsets[i], 2, offset)) return Entry::Skipped;
        FontLayer::CharData& data = layer->Char(static_cast<uint8_t>(chars[i][0]));
        data.offsetX = offset[0];
        data.offsetY = offset[1];
        return Entry::Applied;
    });
    return result == Entry::Applied || Report(kParamType);
}

// --- The older form ---

bool FontData::LoadLegacy(std::shared_ptr<MemoryImage> image, const std::string& widthsPath) {
    if (mLoadAttempted) return false;
    mLoadAttempted = true;
    mSourceFile = widthsPath;
    const int32_t pictureHeight = image ? image->GetHeight() : 0;
    auto created = std::make_unique<FontLayer>(this);
    FontLayer& layer = *created;
    layer.image = std::move(image);
    layer.height = layer.ascent = pictureHeight;
    mLayers.push_back(std::move(created));
    mLayersByName[""] = &layer;

    InputFile input(widthsPath, MaxDescriptorBytes);
    std::string text;
    if (!input || !input.ReadAll(text)) return false;
    std::istringstream file(text);
    int32_t spaceWidth = 0;
    int32_t ascent = 0;
    file >> spaceWidth >> ascent;
    layer.Char(' ').width = spaceWidth;
    layer.ascent = ascent;
    int64_t x = 0;
    char c = 0;
    int32_t width = 0;
    while (file >> c >> width) {
        FontLayer::CharData& data = layer.Char(static_cast<uint8_t>(c));
        data.imageRect = Rect(ClampToInt(x), 0, width, pictureHeight);
        data.width = width;
        x += width;
    }
    // Case the file left out borrows the other case's glyphs.
    for (char upper = 'A'; upper <= 'Z'; ++upper) {
        const char lower = static_cast<char>(std::tolower(upper));
        const uint8_t u = static_cast<uint8_t>(upper), l = static_cast<uint8_t>(lower);
        if (layer.Char(u).width == 0 && layer.Char(l).width != 0) mCharMap[u] = l;
        if (layer.Char(l).width == 0 && layer.Char(u).width != 0) mCharMap[l] = u;
    }
    mInitialized = true;
    return true;
}

} // namespace Zorbel
