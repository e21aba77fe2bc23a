// Reads an arbitrary resource manifest and, when it reads, loads every group it names and looks up
// every record, so that hostile records reach the loaders and the lookups too. A small picture and a
// font descriptor beside the manifest let some of the loads succeed.
#include "framework/graphics/ImageContext.h"
#include "framework/imagelib/ImageLib.h"
#include "framework/resource/ResourceManager.h"
#include "framework/resource/ResourceManagerException.h"
#include "framework/resource/ResourceManifest.h"
#include "framework/resource/StandaloneResourceHost.h"
#include "tests/fuzz/FuzzFiles.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

void WriteCompanions() {
    static const bool written = [] {
        auto picture = Zorbel::ImageLib::Image::Create(8, 6, false);
        for (size_t i = 0; i < picture->GetPixelCount(); ++i)
            picture->GetBits()[i] = i % 3 == 0 ? 0x80FFFFFF : 0xFF204080;
        const std::string font = "CreateLayer A; LayerSetImage A 'p.png'; LayerSetCharWidths A ('a') (4);";
        FuzzFiles::Write("f.txt", reinterpret_cast<const uint8_t*>(font.data()), font.size());
        return Zorbel::ImageLib::WritePng(FuzzFiles::PathOf("p.png"), *picture);
    }();
    if (!written) std::abort();
}

template <typename Find>
void LookUpAll(const Zorbel::ResourceManager::Table& table, Find find) {
    std::vector<std::string> ids;
    for (const auto& [id, record] : table)
        ids.push_back(id);
    for (const std::string& id : ids) {
        try {
            find(id);
        } catch (const Zorbel::ResourceManagerException&) {
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WriteCompanions();
    FuzzFiles::Write("manifest.txt", data, size);
    Zorbel::ImageContext context;
    Zorbel::StandaloneResourceHost host(context);
    Zorbel::ResourceManager resources(&host);
    Zorbel::ResourceManifest manifest(resources);
    if (!manifest.Read(FuzzFiles::PathOf("manifest.txt"))) return 0;

    std::vector<std::string> groups;
    for (const Zorbel::ResourceManager::Table* table :
         {&resources.Images(), &resources.Sounds(), &resources.Fonts()})
        for (const auto& [id, record] : *table)
            groups.push_back(record->group);
    for (const std::string& group : groups)
        (void)resources.LoadGroup(group);
    resources.SetAllowMissingProgramResources(size % 2 == 0);
    LookUpAll(resources.Images(), [&](const std::string& id) { resources.FindImage(id); });
    LookUpAll(resources.Sounds(), [&](const std::string& id) { resources.FindSoundId(id); });
    LookUpAll(resources.Fonts(), [&](const std::string& id) { resources.FindFont(id); });
    resources.DeleteGroupResources(groups.empty() ? std::string() : groups.front());
    (void)resources.LoadGroup("");
    return 0;
}
