#pragma once

namespace Zorbel {

// Named images, sounds and fonts of the game, loaded in groups on request.
// FIXME: only its place in the application exists so far: nothing fills the tables yet.
class ResourceManager {
public:
    ResourceManager() = default;
    ResourceManager(const ResourceManager&) = delete;
    ResourceManager& operator=(const ResourceManager&) = delete;
    virtual ~ResourceManager() = default;
};

} // namespace Zorbel
