#pragma once

#include "framework/platform/NameResolver.h"

namespace Zorbel {

// Names through the system's resolver (getaddrinfo), IPv6 and IPv4 in the order the system prefers.
// Numeric addresses are taken as they are, without a lookup. A name lookup can take seconds when a
// name server does not answer, so it runs on a thread of its own that is left to finish by itself
// when the caller stops waiting.
class SystemNameResolver : public NameResolver {
public:
    std::vector<NetAddress> Resolve(const std::string& host, uint16_t port,
                                    const std::atomic<bool>& stop) override;
};

} // namespace Zorbel
