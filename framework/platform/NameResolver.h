#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace Zorbel {

// One IPv4 or IPv6 socket address (with its port) in the system's own form, ready for a connection.
struct NetAddress {
    std::array<uint8_t, 128> bytes{};
    uint32_t length = 0;
};

// Turns a host into the addresses to connect to. Tests install their own, so that no test waits on a
// name server.
class NameResolver {
public:
    virtual ~NameResolver() = default;

    // The addresses of host (a name, a dotted IPv4 address, or an IPv6 address without brackets) with
    // the port, in the order to try them. Empty when the name cannot be resolved, and when stop was
    // set while the lookup was still running (it is watched at least every 100 ms).
    virtual std::vector<NetAddress> Resolve(const std::string& host, uint16_t port,
                                            const std::atomic<bool>& stop) = 0;
};

} // namespace Zorbel
