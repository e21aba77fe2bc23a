#include "framework/app/SharedImageCache.h"

#include "framework/graphics/MemoryImage.h"
#include "framework/platform/files/Path.h"

namespace Zorbel {

SharedImageCache::~SharedImageCache() = default;

SharedImageRef SharedImageCache::Get(const std::string& path, const std::string& variant, bool* isNew,
                                     std::recursive_mutex* lock, const Makers& makers) {
    std::pair<std::string, std::string> key(StringToUpper(path), StringToUpper(variant));
    std::recursive_mutex& guarded = LockOr(lock);
    SharedImageRef reference;
    bool created = false;
    {
        std::lock_guard<std::recursive_mutex> guard(guarded);
        SharedImageRef& entry = mEntries[key];
        if (!entry) {
            entry = std::make_shared<SharedImage>();
            created = true;
        }
        reference = entry;
    }
    if (isNew) *isNew = created;
    if (created) {
        // Loading can take long; the lock is not held meanwhile.
        std::unique_ptr<MemoryImage> image =
            !path.empty() && path[0] == '!' ? makers.empty() : makers.load(path);
        std::lock_guard<std::recursive_mutex> guard(guarded);
        reference->image = std::move(image);
    }
    return reference;
}

void SharedImageCache::FreeUnreferenced(std::recursive_mutex* lock) {
    std::lock_guard<std::recursive_mutex> guard(LockOr(lock));
    for (auto entry = mEntries.begin(); entry != mEntries.end();) {
        if (entry->second.use_count() == 1)
            entry = mEntries.erase(entry);
        else
            ++entry;
    }
}

void SharedImageCache::Clear(std::recursive_mutex* lock) {
    std::lock_guard<std::recursive_mutex> guard(LockOr(lock));
    mEntries.clear();
}

} // namespace Zorbel
