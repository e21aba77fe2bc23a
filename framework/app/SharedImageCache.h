#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace Zorbel {

class MemoryImage;

// A picture shared by everyone who asks for it by the same path and variant. It is freed by the update
// step after the last reference to it was dropped.
struct SharedImage {
    std::unique_ptr<MemoryImage> image;
};
using SharedImageRef = std::shared_ptr<SharedImage>;

// The application's shared pictures by (path, variant), both compared without regard to case. The
// entries are guarded by the lock the caller names (the display device's, which guards every display
// object), or by the cache's own lock without one.
class SharedImageCache {
public:
    // Makes the picture of a new entry: an empty picture for a path that starts with "!", else the
    // loaded file (null when it cannot be loaded).
    struct Makers {
        std::function<std::unique_ptr<MemoryImage>()> empty;
        std::function<std::unique_ptr<MemoryImage>(const std::string& path)> load;
    };

    SharedImageCache() = default;
    SharedImageCache(const SharedImageCache&) = delete;
    SharedImageCache& operator=(const SharedImageCache&) = delete;
    ~SharedImageCache();

    // A new reference to the entry; isNew (when given) tells whether it was made now. The picture of a
    // new entry is made outside the lock.
    SharedImageRef Get(const std::string& path, const std::string& variant, bool* isNew,
                       std::recursive_mutex* lock, const Makers& makers);
    // Frees the entries nobody refers to any more.
    void FreeUnreferenced(std::recursive_mutex* lock);
    // Frees every entry; references still held keep their pictures.
    void Clear(std::recursive_mutex* lock);

private:
    std::recursive_mutex& LockOr(std::recursive_mutex* lock) { return lock ? *lock : mOwnLock; }

    std::recursive_mutex mOwnLock;
    std::map<std::pair<std::string, std::string>, SharedImageRef> mEntries;
};

} // namespace Zorbel
