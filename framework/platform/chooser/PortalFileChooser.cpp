#include "framework/platform/chooser/PortalFileChooser.h"

#include <dbus/dbus.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace Zorbel {

namespace {

constexpr const char* PortalName = "org.freedesktop.portal.Desktop";
constexpr const char* PortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* FileChooserInterface = "org.freedesktop.portal.FileChooser";
constexpr const char* RequestInterface = "org.freedesktop.portal.Request";
constexpr uint32_t GlobPattern = 0;

struct MessageUnref {
    void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};
using Message = std::unique_ptr<DBusMessage, MessageUnref>;

// A connection of our own, closed when done, so that nothing else in the process shares its queue.
struct ConnectionClose {
    void operator()(DBusConnection* connection) const {
        dbus_connection_close(connection);
        dbus_connection_unref(connection);
    }
};
using Connection = std::unique_ptr<DBusConnection, ConnectionClose>;

class Error {
public:
    Error() { dbus_error_init(&mError); }
    ~Error() { dbus_error_free(&mError); }
    Error(const Error&) = delete;
    Error& operator=(const Error&) = delete;
    DBusError* get() { return &mError; }
    bool IsSet() const { return dbus_error_is_set(&mError); }

private:
    DBusError mError;
};

Connection Connect(const std::string& address) {
    Error error;
    DBusConnection* raw = dbus_connection_open_private(address.c_str(), error.get());
    if (raw == nullptr) return nullptr;
    // libdbus would otherwise end the whole program when the bus goes away.
    dbus_connection_set_exit_on_disconnect(raw, FALSE);
    Connection connection(raw);
    if (!dbus_bus_register(raw, error.get())) return nullptr;
    return connection;
}

Message Call(DBusConnection* bus, DBusMessage* call, int timeoutMs) {
    Error error;
    return Message(dbus_connection_send_with_reply_and_block(bus, call, timeoutMs, error.get()));
}

bool OffersFileChooser(DBusConnection* bus, int timeoutMs) {
    Message get(
        dbus_message_new_method_call(PortalName, PortalPath, "org.freedesktop.DBus.Properties", "Get"));
    const char* interface = FileChooserInterface;
    const char* property = "version";
    dbus_message_append_args(get.get(), DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &property,
                             DBUS_TYPE_INVALID);
    return Call(bus, get.get(), timeoutMs) != nullptr;
}

bool Subscribe(DBusConnection* bus, const std::string& rule) {
    Error error;
    dbus_bus_add_match(bus, rule.c_str(), error.get());
    return !error.IsSet();
}

// Every request of ours lives below one folder named after our connection. Listening to all of it
// also catches answers on paths the portal chose itself (old portals ignore the token).
std::string ResponseRule(const std::string& requestFolder) {
    return std::string("type='signal',sender='") + PortalName + "',interface='" + RequestInterface +
           "',member='Response',path_namespace='" + requestFolder + "'";
}

std::string PortalOwnerRule() {
    return std::string("type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',"
                       "member='NameOwnerChanged',arg0='") +
           PortalName + "'";
}

// Tokens only need to be unique among this connection's requests; the process and a count make them so.
std::string NewToken() {
    static std::atomic<uint32_t> count{0};
    return "zorbel_" + std::to_string(getpid()) + "_" + std::to_string(++count);
}

// Where the portal puts our requests: the unique name without its colon, dots made underscores.
std::string RequestFolder(const std::string& uniqueName) {
    std::string sender = uniqueName.substr(uniqueName.starts_with(':') ? 1 : 0);
    std::replace(sender.begin(), sender.end(), '.', '_');
    return std::string(PortalPath) + "/request/" + sender;
}

// Message building. Each helper opens a container, lets the caller fill it and closes it again.
void AppendString(DBusMessageIter& iter, const std::string& text) {
    const char* value = text.c_str();
    dbus_message_iter_append_basic(&iter, DBUS_TYPE_STRING, &value);
}

template <typename Fill>
void AppendContainer(DBusMessageIter& iter, int type, const char* signature, Fill fill) {
    DBusMessageIter inner;
    dbus_message_iter_open_container(&iter, type, signature, &inner);
    fill(inner);
    dbus_message_iter_close_container(&iter, &inner);
}

template <typename Fill>
void AppendOption(DBusMessageIter& options, const char* key, const char* signature, Fill fill) {
    AppendContainer(options, DBUS_TYPE_DICT_ENTRY, nullptr, [&](DBusMessageIter& entry) {
        dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key);
        AppendContainer(entry, DBUS_TYPE_VARIANT, signature, fill);
    });
}

void AppendBoolOption(DBusMessageIter& options, const char* key, bool value) {
    dbus_bool_t flag = value ? TRUE : FALSE;
    AppendOption(options, key, "b",
                 [&](DBusMessageIter& v) { dbus_message_iter_append_basic(&v, DBUS_TYPE_BOOLEAN, &flag); });
}

// One filter as (sa(us)): its caption and its glob patterns.
void AppendFilter(DBusMessageIter& iter, const FileFilter& filter) {
    AppendContainer(iter, DBUS_TYPE_STRUCT, nullptr, [&](DBusMessageIter& entry) {
        AppendString(entry, filter.description);
        AppendContainer(entry, DBUS_TYPE_ARRAY, "(us)", [&](DBusMessageIter& patterns) {
            for (const std::string& pattern : filter.PatternsInEitherCase()) {
                AppendContainer(patterns, DBUS_TYPE_STRUCT, nullptr, [&](DBusMessageIter& item) {
                    dbus_message_iter_append_basic(&item, DBUS_TYPE_UINT32, &GlobPattern);
                    AppendString(item, pattern);
                });
            }
        });
    });
}

// The folder goes as bytes ending in a NUL, since file names need not be valid text.
void AppendFolderOption(DBusMessageIter& options, const std::string& folder) {
    AppendOption(options, "current_folder", "ay", [&](DBusMessageIter& v) {
        AppendContainer(v, DBUS_TYPE_ARRAY, "y", [&](DBusMessageIter& bytes) {
            const char* data = folder.c_str();
            dbus_message_iter_append_fixed_array(&bytes, DBUS_TYPE_BYTE, &data,
                                                 static_cast<int>(folder.size() + 1));
        });
    });
}

Message OpenFileCall(const FileChooserRequest& request, const std::string& token) {
    Message call(dbus_message_new_method_call(PortalName, PortalPath, FileChooserInterface, "OpenFile"));
    DBusMessageIter args;
    dbus_message_iter_init_append(call.get(), &args);
    AppendString(args, request.ownerWindow);
    AppendString(args, request.title);
    AppendContainer(args, DBUS_TYPE_ARRAY, "{sv}", [&](DBusMessageIter& options) {
        AppendOption(options, "handle_token", "s", [&](DBusMessageIter& v) { AppendString(v, token); });
        AppendBoolOption(options, "modal", true);
        AppendBoolOption(options, "multiple", false);
        AppendBoolOption(options, "directory", false);
        if (!request.filter.patterns.empty()) {
            AppendOption(options, "filters", "a(sa(us))", [&](DBusMessageIter& v) {
                AppendContainer(v, DBUS_TYPE_ARRAY, "(sa(us))",
                                [&](DBusMessageIter& filters) { AppendFilter(filters, request.filter); });
            });
        }
        if (!request.startFolder.empty()) AppendFolderOption(options, request.startFolder);
    });
    return call;
}

// The first URI of the "uris" result, if the results hold one.
std::optional<std::string> FirstUri(DBusMessageIter& results) {
    if (dbus_message_iter_get_arg_type(&results) != DBUS_TYPE_ARRAY) return std::nullopt;
    DBusMessageIter entries;
    dbus_message_iter_recurse(&results, &entries);
    for (; dbus_message_iter_get_arg_type(&entries) == DBUS_TYPE_DICT_ENTRY;
         dbus_message_iter_next(&entries)) {
        DBusMessageIter entry, value, uris;
        dbus_message_iter_recurse(&entries, &entry);
        const char* key = nullptr;
        if (dbus_message_iter_get_arg_type(&entry) != DBUS_TYPE_STRING) continue;
        dbus_message_iter_get_basic(&entry, &key);
        if (std::string(key) != "uris" || !dbus_message_iter_next(&entry)) continue;
        dbus_message_iter_recurse(&entry, &value);
        if (dbus_message_iter_get_arg_type(&value) != DBUS_TYPE_ARRAY ||
            dbus_message_iter_get_element_type(&value) != DBUS_TYPE_STRING)
            return std::nullopt;
        dbus_message_iter_recurse(&value, &uris);
        if (dbus_message_iter_get_arg_type(&uris) != DBUS_TYPE_STRING) return std::nullopt;
        const char* uri = nullptr;
        dbus_message_iter_get_basic(&uris, &uri);
        return std::string(uri);
    }
    return std::nullopt;
}

// Response codes: 0 chosen, 1 cancelled by the person, anything else the dialog could not go on.
FileChooserResult ReadResponse(DBusMessage* signal) {
    DBusMessageIter args;
    if (!dbus_message_iter_init(signal, &args) || dbus_message_iter_get_arg_type(&args) != DBUS_TYPE_UINT32)
        return FileChooserResult::Unavailable();
    uint32_t response = 0;
    dbus_message_iter_get_basic(&args, &response);
    if (response == 1) return FileChooserResult::Cancelled();
    if (response != 0) return FileChooserResult::Unavailable();
    dbus_message_iter_next(&args);
    std::optional<std::string> uri = FirstUri(args);
    std::optional<std::string> path = uri ? FileUriToPath(*uri) : std::nullopt;
    // A place that is not a local file cannot be opened here; treat it like a change of mind.
    return path ? FileChooserResult::Chosen(*path) : FileChooserResult::Cancelled();
}

bool PortalLeft(DBusMessage* signal) {
    const char* name = nullptr;
    const char* oldOwner = nullptr;
    const char* newOwner = nullptr;
    Error error;
    return dbus_message_get_args(signal, error.get(), DBUS_TYPE_STRING, &name, DBUS_TYPE_STRING, &oldOwner,
                                 DBUS_TYPE_STRING, &newOwner, DBUS_TYPE_INVALID) &&
           std::string(name) == PortalName && newOwner[0] == '\0';
}

void WithdrawRequest(DBusConnection* bus, const std::string& handle) {
    Message close(dbus_message_new_method_call(PortalName, handle.c_str(), RequestInterface, "Close"));
    dbus_message_set_no_reply(close.get(), TRUE);
    dbus_connection_send(bus, close.get(), nullptr);
    dbus_connection_flush(bus);
}

// Waits for the Response signal on the request's path; gives up when the portal or the bus
// goes away, or the deadline passes.
FileChooserResult AwaitResponse(DBusConnection* bus, const std::string& handle, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        while (Message message{dbus_connection_pop_message(bus)}) {
            DBusMessage* m = message.get();
            if (dbus_message_is_signal(m, RequestInterface, "Response")) {
                const char* path = dbus_message_get_path(m);
                if (path != nullptr && handle == path) return ReadResponse(m);
            } else if (dbus_message_is_signal(m, "org.freedesktop.DBus", "NameOwnerChanged")) {
                if (PortalLeft(m)) return FileChooserResult::Unavailable();
            } else if (dbus_message_is_signal(m, DBUS_INTERFACE_LOCAL, "Disconnected")) {
                return FileChooserResult::Unavailable();
            }
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            WithdrawRequest(bus, handle);
            return FileChooserResult::Cancelled();
        }
        if (!dbus_connection_read_write(bus, static_cast<int>(std::min<int64_t>(left, 1000))) &&
            dbus_connection_get_dispatch_status(bus) == DBUS_DISPATCH_COMPLETE)
            return FileChooserResult::Unavailable();
    }
}

std::optional<std::string> ObjectPathReply(DBusMessage* reply) {
    const char* path = nullptr;
    Error error;
    if (!dbus_message_get_args(reply, error.get(), DBUS_TYPE_OBJECT_PATH, &path, DBUS_TYPE_INVALID))
        return std::nullopt;
    return std::string(path);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsSocket(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

} // namespace

std::string PortalFileChooser::SessionBusAddress() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address != nullptr && address[0] != '\0') return address;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || runtime[0] != '/') return {};
    std::string socket = std::string(runtime) + "/bus";
    if (!IsSocket(socket)) return {};
    // The address syntax escapes everything but a few safe bytes.
    char* escaped = dbus_address_escape_value(socket.c_str());
    if (escaped == nullptr) return {};
    std::string result = std::string("unix:path=") + escaped;
    dbus_free(escaped);
    return result;
}

FileChooserResult PortalFileChooser::ChooseFileToOpen(const FileChooserRequest& request) {
    std::string address = mOptions.busAddress.empty() ? SessionBusAddress() : mOptions.busAddress;
    if (address.empty()) return FileChooserResult::Unavailable();
    Connection bus = Connect(address);
    if (!bus || !OffersFileChooser(bus.get(), mOptions.callTimeoutMs))
        return FileChooserResult::Unavailable();

    // Listen before asking: the portal may answer before its reply to the call arrives.
    if (!Subscribe(bus.get(), ResponseRule(RequestFolder(dbus_bus_get_unique_name(bus.get())))) ||
        !Subscribe(bus.get(), PortalOwnerRule()))
        return FileChooserResult::Unavailable();

    Message reply = Call(bus.get(), OpenFileCall(request, NewToken()).get(), mOptions.callTimeoutMs);
    std::optional<std::string> handle = reply ? ObjectPathReply(reply.get()) : std::nullopt;
    if (!handle) return FileChooserResult::Unavailable();
    return AwaitResponse(bus.get(), *handle, mOptions.answerTimeoutMs);
}

std::optional<std::string> FileUriToPath(const std::string& uri) {
    constexpr size_t SchemeLength = 5; // "file:"
    if (uri.size() < SchemeLength) return std::nullopt;
    std::string scheme = uri.substr(0, SchemeLength);
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    if (scheme != "file:") return std::nullopt;

    std::string_view rest = std::string_view(uri).substr(SchemeLength);
    if (rest.starts_with("//")) {
        size_t pathStart = rest.find('/', 2);
        if (pathStart == std::string_view::npos) return std::nullopt;
        std::string_view host = rest.substr(2, pathStart - 2);
        if (!host.empty() && host != "localhost") return std::nullopt;
        rest = rest.substr(pathStart);
    }
    if (!rest.starts_with('/')) return std::nullopt;

    std::string path;
    path.reserve(rest.size());
    for (size_t i = 0; i < rest.size(); ++i) {
        char c = rest[i];
        // Queries and fragments have no meaning for a local file; a name holding these is escaped.
        if (c == '?' || c == '#') return std::nullopt;
        if (c != '%') {
            path.push_back(c);
            continue;
        }
        int high = i + 2 < rest.size() ? HexValue(rest[i + 1]) : -1;
        int low = high >= 0 ? HexValue(rest[i + 2]) : -1;
        if (low < 0 || (high == 0 && low == 0)) return std::nullopt;
        path.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return path;
}

} // namespace Zorbel
