#include "framework/platform/net/SystemNameResolver.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <sys/socket.h>
#include <thread>

namespace Zorbel {

namespace {

constexpr auto PollInterval = std::chrono::milliseconds(100);

std::vector<NetAddress> Lookup(const std::string& host, uint16_t port, int flags) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags | AI_NUMERICSERV;
    addrinfo* list = nullptr;
    std::vector<NetAddress> addresses;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list) != 0) return addresses;
    for (addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_addrlen > sizeof(NetAddress::bytes)) continue;
        NetAddress address;
        std::memcpy(address.bytes.data(), entry->ai_addr, entry->ai_addrlen);
        address.length = static_cast<uint32_t>(entry->ai_addrlen);
        addresses.push_back(address);
    }
    freeaddrinfo(list);
    return addresses;
}

// What the lookup thread hands back; shared, since the waiting side may leave first.
struct PendingLookup {
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    std::vector<NetAddress> addresses;
};

} // namespace

std::vector<NetAddress> SystemNameResolver::Resolve(const std::string& host, uint16_t port,
                                                    const std::atomic<bool>& stop) {
    if (host.empty() || stop) return {};
    std::vector<NetAddress> numeric = Lookup(host, port, AI_NUMERICHOST);
    if (!numeric.empty()) return numeric;

    auto pending = std::make_shared<PendingLookup>();
    std::thread([pending, host, port] {
        std::vector<NetAddress> addresses = Lookup(host, port, 0);
        std::lock_guard<std::mutex> guard(pending->lock);
        pending->addresses = std::move(addresses);
        pending->done = true;
        pending->finished.notify_all();
    }).detach();

    std::unique_lock<std::mutex> guard(pending->lock);
    while (!pending->finished.wait_for(guard, PollInterval, [&] { return pending->done; }))
        if (stop) return {};
    return std::move(pending->addresses);
}

} // namespace Zorbel
