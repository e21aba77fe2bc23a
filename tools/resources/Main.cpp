// zorbel-resources: reads resource manifests and loads their groups as a game would, listing what each
// group holds. A mistake prints the message a game would show, with the line and file it comes from.
//
//   zorbel-resources [--group NAME]... MANIFEST...
//
// Without --group every group is loaded, in alphabetical order. Sounds are decoded for real (into a
// silent device), so a sound file that cannot be read is found too. Exit codes: 0 everything loaded,
// 1 a mistake, 2 a wrong command line.
#include "framework/font/ImageFont.h"
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/platform/audio/HeadlessAudioSink.h"
#include "framework/resource/ResourceManager.h"
#include "framework/resource/ResourceManifest.h"
#include "framework/resource/StandaloneResourceHost.h"
#include "framework/sound/AudioOutput.h"
#include "framework/sound/DSoundManager.h"

#include <cstdio>
#include <set>
#include <string>
#include <vector>

using namespace Zorbel;

namespace {

const char Usage[] = "usage: zorbel-resources [--group NAME]... MANIFEST...\n";

struct Options {
    std::vector<std::string> groups;
    std::vector<std::string> manifests;
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--group" && i + 1 < argc)
            options.groups.emplace_back(argv[++i]);
        else if (argument.rfind("--", 0) == 0)
            return false;
        else
            options.manifests.push_back(argument);
    }
    return !options.manifests.empty();
}

std::vector<std::string> AllGroups(const ResourceManager& resources) {
    std::set<std::string> groups;
    for (const ResourceManager::Table* table : {&resources.Images(), &resources.Sounds(), &resources.Fonts()})
        for (const auto& [id, record] : *table)
            groups.insert(record->group);
    return {groups.begin(), groups.end()};
}

void ListGroup(ResourceManager& resources, const std::string& group) {
    std::printf("group %s\n", group.c_str());
    for (const auto& [id, record] : resources.Images()) {
        if (record->group != group) continue;
        const MemoryImage* image =
            record->IsLoaded() ? static_cast<ImageRecord&>(*record).image->image.get() : nullptr;
        if (image)
            std::printf("  image %s %dx%d, %d x %d cels\n", id.c_str(), image->GetWidth(), image->GetHeight(),
                        image->GetColumnCount(), image->GetRowCount());
        else
            std::printf("  image %s from the program\n", id.c_str());
    }
    for (const auto& [id, record] : resources.Sounds()) {
        if (record->group != group) continue;
        if (record->IsLoaded())
            std::printf("  sound %s in slot %d\n", id.c_str(), static_cast<SoundRecord&>(*record).soundId);
        else
            std::printf("  sound %s from the program\n", id.c_str());
    }
    for (const auto& [id, record] : resources.Fonts()) {
        if (record->group != group) continue;
        if (const ImageFont* font = static_cast<FontRecord&>(*record).font.get())
            std::printf("  font %s at %d points, %d pixels high\n", id.c_str(), font->GetPointSize(),
                        font->Height());
        else
            std::printf("  font %s from the program\n", id.c_str());
    }
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fputs(Usage, stderr);
        return 2;
    }
    SoundServices services;
    services.output = AudioOutput::Open(std::make_unique<HeadlessAudioSink>());
    DSoundManager sounds(std::move(services), false);
    ImageContext context;
    StandaloneResourceHost host(context, &sounds);
    ResourceManager resources(&host);
    ResourceManifest manifest(resources);

    bool ok = true;
    for (const std::string& path : options.manifests)
        ok = ok && manifest.Read(path);
    const std::vector<std::string> groups = options.groups.empty() ? AllGroups(resources) : options.groups;
    for (size_t i = 0; ok && i < groups.size(); ++i) {
        ok = resources.LoadGroup(groups[i]);
        if (ok) ListGroup(resources, groups[i]);
    }
    if (!ok) {
        for (const std::string& error : host.FontErrors())
            std::fprintf(stderr, "%s\n", error.c_str());
        std::fprintf(stderr, "%s\n", resources.GetLastError().c_str());
        return 1;
    }
    return 0;
}
