#include "framework/debug/CrashHandoff.h"

#include <charconv>

namespace Zorbel {

namespace {

void Put(std::string& out, const std::string& name, const std::string& value) {
    out += name + " " + std::to_string(value.size()) + "\n" + value + "\n";
}

// The next value from at, its name and bytes; false when the encoding ends or breaks there.
bool Take(const std::string& in, size_t& at, std::string& name, std::string& value) {
    size_t space = in.find(' ', at);
    size_t newline = in.find('\n', at);
    if (space == std::string::npos || newline == std::string::npos || space > newline) return false;
    size_t length = 0;
    const char* first = in.data() + space + 1;
    const char* last = in.data() + newline;
    auto [end, error] = std::from_chars(first, last, length);
    if (error != std::errc() || end != last || length > in.size() - newline - 1) return false;
    size_t valueStart = newline + 1;
    if (valueStart + length >= in.size() || in[valueStart + length] != '\n') return false;
    name = in.substr(at, space - at);
    value = in.substr(valueStart, length);
    at = valueStart + length + 1;
    return true;
}

} // namespace

std::string CrashHandoff::Encode() const {
    std::string out;
    Put(out, "report", report);
    Put(out, "errortitle", errorTitle);
    Put(out, "demofile", demoFile);
    Put(out, "hasdemo", hasDemo ? "1" : "0");
    Put(out, "product", productName);
    Put(out, "version", productVersion);
    for (const auto& [key, value] : fields) {
        Put(out, "fieldname", key);
        Put(out, "fieldvalue", value);
    }
    Put(out, "application", hasApplication ? "1" : "0");
    Put(out, "allowsubmit", windows.allowSubmitting ? "1" : "0");
    Put(out, "server", windows.reportServer);
    Put(out, "crashheader", windows.crashHeader);
    Put(out, "submitheader", windows.submitHeader);
    Put(out, "connectionfailure", windows.connectionFailure);
    return out;
}

std::optional<CrashHandoff> CrashHandoff::Decode(const std::string& encoded) {
    CrashHandoff handoff;
    std::string name, value, fieldName;
    size_t at = 0;
    while (at < encoded.size()) {
        if (!Take(encoded, at, name, value)) return std::nullopt;
        if (name == "report")
            handoff.report = value;
        else if (name == "errortitle")
            handoff.errorTitle = value;
        else if (name == "demofile")
            handoff.demoFile = value;
        else if (name == "hasdemo")
            handoff.hasDemo = value == "1";
        else if (name == "product")
            handoff.productName = value;
        else if (name == "version")
            handoff.productVersion = value;
        else if (name == "fieldname")
            fieldName = value;
        else if (name == "fieldvalue")
            handoff.fields[fieldName] = value;
        else if (name == "application")
            handoff.hasApplication = value == "1";
        else if (name == "allowsubmit")
            handoff.windows.allowSubmitting = value == "1";
        else if (name == "server")
            handoff.windows.reportServer = value;
        else if (name == "crashheader")
            handoff.windows.crashHeader = value;
        else if (name == "submitheader")
            handoff.windows.submitHeader = value;
        else if (name == "connectionfailure")
            handoff.windows.connectionFailure = value;
    }
    return handoff;
}

} // namespace Zorbel
