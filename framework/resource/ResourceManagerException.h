#pragma once

#include <exception>
#include <string>
#include <utility>

namespace Zorbel {

// Thrown by the resource manager's lookups: the manager's last error at the time of the throw.
class ResourceManagerException : public std::exception {
public:
    explicit ResourceManagerException(std::string message) : mMessage(std::move(message)) {}

    const char* what() const noexcept override { return mMessage.c_str(); }
    const std::string& GetMessage() const { return mMessage; }

private:
    std::string mMessage;
};

} // namespace Zorbel
