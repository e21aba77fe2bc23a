#include "framework/net/HTTPTransferDemo.h"

#include <atomic>

namespace Zorbel {

namespace {

std::atomic<HTTPTransferDemo*> gTransferDemo{nullptr};

} // namespace

void SetHTTPTransferDemo(HTTPTransferDemo* demo) {
    gTransferDemo = demo;
}

HTTPTransferDemo* GetHTTPTransferDemo() {
    return gTransferDemo;
}

} // namespace Zorbel
