#pragma once

#include "framework/platform/NameResolver.h"
#include "framework/platform/net/SystemNameResolver.h"

#include <arpa/inet.h>
#include <map>
#include <string>

namespace ZorbelTest {

// A resolver that never asks a name server: numeric addresses resolve as they are, the names a test
// gave resolve to their addresses, and every other name cannot be resolved. It counts its lookups.
class ScriptedNameResolver : public Zorbel::NameResolver {
public:
    void Alias(const std::string& name, const std::string& address) { mAliases[name] = address; }
    int Lookups() const { return mLookups; }

    std::vector<Zorbel::NetAddress> Resolve(const std::string& host, uint16_t port,
                                            const std::atomic<bool>& stop) override {
        ++mLookups;
        auto alias = mAliases.find(host);
        std::string address = alias != mAliases.end() ? alias->second : host;
        unsigned char numeric[16];
        if (inet_pton(AF_INET, address.c_str(), numeric) != 1 &&
            inet_pton(AF_INET6, address.c_str(), numeric) != 1)
            return {};
        return Zorbel::SystemNameResolver().Resolve(address, port, stop);
    }

private:
    std::map<std::string, std::string> mAliases;
    std::atomic<int> mLookups{0};
};

} // namespace ZorbelTest
