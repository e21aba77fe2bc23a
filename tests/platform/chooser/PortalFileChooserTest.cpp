#include "framework/platform/chooser/PortalFileChooser.h"

#include "framework/platform/process/Subprocess.h"
#include "support/Eventually.h"
#include "support/ScopedEnvironment.h"

#include <dbus/dbus.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace Zorbel;

extern char** environ;

namespace {

constexpr const char* PortalName = "org.freedesktop.portal.Desktop";
constexpr const char* PortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* RequestInterface = "org.freedesktop.portal.Request";

std::filesystem::path TestFolder(const std::string& what) {
    return std::filesystem::temp_directory_path() /
           ("zorbel-" + what + "-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
}

// A message bus daemon of the test's own: nothing is activatable on it and it goes away with the test.
class PrivateBus {
public:
    PrivateBus() : mFolder(TestFolder("bus")) {
        std::filesystem::remove_all(mFolder);
        std::filesystem::create_directories(mFolder);
        std::ofstream(mFolder / "bus.conf") << "<busconfig>\n"
                                               "  <type>session</type>\n"
                                               "  <listen>unix:dir="
                                            << mFolder.string()
                                            << "</listen>\n"
                                               "  <auth>EXTERNAL</auth>\n"
                                               "  <policy context=\"default\">\n"
                                               "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                                               "    <allow eavesdrop=\"true\"/>\n"
                                               "    <allow own=\"*\"/>\n"
                                               "  </policy>\n"
                                               "</busconfig>\n";
        Start();
    }
    ~PrivateBus() {
        if (mPid > 0) {
            kill(mPid, SIGTERM);
            waitpid(mPid, nullptr, 0);
        }
        if (mOutput >= 0) close(mOutput);
        std::filesystem::remove_all(mFolder);
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    const std::string& Address() const { return mAddress; }

private:
    void Start() {
        std::string daemon = FindProgramOnPath("dbus-daemon");
        ASSERT_FALSE(daemon.empty()) << "the tests need dbus-daemon";
        int ends[2];
        ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
        mOutput = ends[0];
        std::string config = "--config-file=" + (mFolder / "bus.conf").string();
        const char* argv[] = {daemon.c_str(), config.c_str(), "--nofork", "--print-address", nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
        int spawned =
            posix_spawn(&mPid, daemon.c_str(), &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(ends[1]);
        ASSERT_EQ(spawned, 0);
        ReadAddress();
    }

    // The daemon prints its address once it listens, which on a loaded machine may take a while.
    void ReadAddress() {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::minutes(1);
        std::string text;
        while (text.find('\n') == std::string::npos && Clock::now() < deadline) {
            pollfd fd{mOutput, POLLIN, 0};
            if (poll(&fd, 1, 100) <= 0) continue;
            char buffer[256];
            ssize_t count = read(mOutput, buffer, sizeof buffer);
            if (count <= 0) break;
            text.append(buffer, static_cast<size_t>(count));
        }
        ASSERT_NE(text.find('\n'), std::string::npos) << "the bus daemon did not start: " << text;
        mAddress = text.substr(0, text.find('\n'));
    }

    std::filesystem::path mFolder;
    pid_t mPid = -1;
    int mOutput = -1;
    std::string mAddress;
};

// What the fake portal saw of an OpenFile call.
struct SeenRequest {
    std::string parentWindow;
    std::string title;
    std::string token;
    std::string handle;
    std::string filterCaption;
    std::vector<std::pair<uint32_t, std::string>> patterns;
    std::string folder;
    bool modal = false;
    bool multiple = true;
    bool directory = true;
};

std::string ReadString(DBusMessageIter& iter) {
    const char* text = "";
    if (dbus_message_iter_get_arg_type(&iter) == DBUS_TYPE_STRING) dbus_message_iter_get_basic(&iter, &text);
    return text;
}

bool ReadBool(DBusMessageIter& iter) {
    dbus_bool_t value = FALSE;
    dbus_message_iter_get_basic(&iter, &value);
    return value != FALSE;
}

void ReadFilters(DBusMessageIter& filters, SeenRequest& seen) {
    DBusMessageIter filter, field, patterns, pattern;
    dbus_message_iter_recurse(&filters, &filter);
    if (dbus_message_iter_get_arg_type(&filter) != DBUS_TYPE_STRUCT) return;
    dbus_message_iter_recurse(&filter, &field);
    seen.filterCaption = ReadString(field);
    dbus_message_iter_next(&field);
    dbus_message_iter_recurse(&field, &patterns);
    for (; dbus_message_iter_get_arg_type(&patterns) == DBUS_TYPE_STRUCT; dbus_message_iter_next(&patterns)) {
        dbus_message_iter_recurse(&patterns, &pattern);
        uint32_t kind = 99;
        dbus_message_iter_get_basic(&pattern, &kind);
        dbus_message_iter_next(&pattern);
        seen.patterns.emplace_back(kind, ReadString(pattern));
    }
}

void ReadOption(const std::string& key, DBusMessageIter& value, SeenRequest& seen) {
    if (key == "handle_token") seen.token = ReadString(value);
    if (key == "modal") seen.modal = ReadBool(value);
    if (key == "multiple") seen.multiple = ReadBool(value);
    if (key == "directory") seen.directory = ReadBool(value);
    if (key == "filters") ReadFilters(value, seen);
    if (key == "current_folder") {
        DBusMessageIter bytes;
        dbus_message_iter_recurse(&value, &bytes);
        const char* data = nullptr;
        int length = 0;
        dbus_message_iter_get_fixed_array(&bytes, &data, &length);
        seen.folder.assign(data, static_cast<size_t>(length));
        if (!seen.folder.empty() && seen.folder.back() == '\0')
            seen.folder.pop_back();
        else
            seen.folder += "<no terminating NUL>";
    }
}

SeenRequest ReadOpenFile(DBusMessage* call) {
    SeenRequest seen;
    DBusMessageIter args, options, entry, value;
    dbus_message_iter_init(call, &args);
    seen.parentWindow = ReadString(args);
    dbus_message_iter_next(&args);
    seen.title = ReadString(args);
    dbus_message_iter_next(&args);
    dbus_message_iter_recurse(&args, &options);
    for (; dbus_message_iter_get_arg_type(&options) == DBUS_TYPE_DICT_ENTRY;
         dbus_message_iter_next(&options)) {
        dbus_message_iter_recurse(&options, &entry);
        std::string key = ReadString(entry);
        dbus_message_iter_next(&entry);
        dbus_message_iter_recurse(&entry, &value);
        ReadOption(key, value, seen);
    }
    return seen;
}

// Stands in for the desktop portal on the private bus, in a thread of its own, answering OpenFile the
// way its script says.
class FakePortal {
public:
    enum class Answer {
        AfterReply,
        BeforeReply, // the answer overtakes the reply to the call
        Never,
        Leave, // the portal goes away while the dialog would be open
    };
    struct Script {
        bool offersFileChooser = true;
        Answer answer = Answer::AfterReply;
        uint32_t response = 0;
        std::vector<std::string> uris{};
        // First answers another request of the same caller, which must not be taken for ours.
        bool strayAnswerFirst = false;
        // Old portals choose the request path themselves.
        bool ignoreToken = false;
    };

    FakePortal(const std::string& address, Script script) : mScript(std::move(script)) {
        std::future<bool> ready = mReady.get_future();
        mThread = std::thread([this, address] { Run(address); });
        EXPECT_EQ(ready.wait_for(std::chrono::minutes(1)), std::future_status::ready);
        EXPECT_TRUE(ready.get()) << "the fake portal could not take its name";
    }
    ~FakePortal() {
        mStop = true;
        mThread.join();
    }
    FakePortal(const FakePortal&) = delete;
    FakePortal& operator=(const FakePortal&) = delete;

    std::vector<SeenRequest> Requests() {
        std::lock_guard<std::mutex> lock(mMutex);
        return mRequests;
    }
    int VersionQueries() const { return mVersionQueries; }
    // Whether the caller withdrew its request, waiting for it as long as a loaded machine may need.
    bool WaitForClose() const {
        return ZorbelTest::Eventually([&] { return mClosed.load(); });
    }

private:
    void Run(const std::string& address) {
        DBusError error;
        dbus_error_init(&error);
        DBusConnection* bus = dbus_connection_open_private(address.c_str(), &error);
        bool ready = bus != nullptr;
        if (ready) {
            dbus_connection_set_exit_on_disconnect(bus, FALSE);
            ready = dbus_bus_register(bus, &error) &&
                    dbus_bus_request_name(bus, PortalName, DBUS_NAME_FLAG_DO_NOT_QUEUE, &error) ==
                        DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER;
        }
        dbus_error_free(&error);
        mReady.set_value(ready);
        while (ready && !mStop && !mLeft) {
            dbus_connection_read_write(bus, 10);
            while (DBusMessage* message = dbus_connection_pop_message(bus)) {
                Handle(bus, message);
                dbus_message_unref(message);
            }
        }
        if (bus != nullptr) {
            dbus_connection_close(bus);
            dbus_connection_unref(bus);
        }
    }

    void Handle(DBusConnection* bus, DBusMessage* message) {
        if (dbus_message_is_method_call(message, "org.freedesktop.DBus.Properties", "Get")) {
            ++mVersionQueries;
            AnswerVersion(bus, message);
        } else if (dbus_message_is_method_call(message, "org.freedesktop.portal.FileChooser", "OpenFile")) {
            OpenFile(bus, message);
        } else if (dbus_message_is_method_call(message, RequestInterface, "Close")) {
            std::lock_guard<std::mutex> lock(mMutex);
            if (!mRequests.empty() && mRequests.back().handle == dbus_message_get_path(message))
                mClosed = true;
        }
    }

    void AnswerVersion(DBusConnection* bus, DBusMessage* call) {
        DBusMessage* reply = nullptr;
        if (mScript.offersFileChooser) {
            reply = dbus_message_new_method_return(call);
            DBusMessageIter args, variant;
            dbus_message_iter_init_append(reply, &args);
            dbus_message_iter_open_container(&args, DBUS_TYPE_VARIANT, "u", &variant);
            uint32_t version = 4;
            dbus_message_iter_append_basic(&variant, DBUS_TYPE_UINT32, &version);
            dbus_message_iter_close_container(&args, &variant);
        } else {
            reply = dbus_message_new_error(call, DBUS_ERROR_INVALID_ARGS, "No such interface");
        }
        dbus_connection_send(bus, reply, nullptr);
        dbus_message_unref(reply);
    }

    void OpenFile(DBusConnection* bus, DBusMessage* call) {
        SeenRequest seen = ReadOpenFile(call);
        std::string sender = dbus_message_get_sender(call) + 1;
        std::replace(sender.begin(), sender.end(), '.', '_');
        const std::string folder = std::string(PortalPath) + "/request/" + sender + "/";
        seen.handle = folder + (mScript.ignoreToken ? "t0123" : seen.token);
        {
            std::lock_guard<std::mutex> lock(mMutex);
            mRequests.push_back(seen);
        }
        if (mScript.answer == Answer::BeforeReply) Respond(bus, seen.handle, folder);
        DBusMessage* reply = dbus_message_new_method_return(call);
        const char* handle = seen.handle.c_str();
        dbus_message_append_args(reply, DBUS_TYPE_OBJECT_PATH, &handle, DBUS_TYPE_INVALID);
        dbus_connection_send(bus, reply, nullptr);
        dbus_message_unref(reply);
        if (mScript.answer == Answer::AfterReply) Respond(bus, seen.handle, folder);
        dbus_connection_flush(bus);
        if (mScript.answer == Answer::Leave) mLeft = true;
    }

    void Respond(DBusConnection* bus, const std::string& handle, const std::string& folder) {
        if (mScript.strayAnswerFirst)
            EmitResponse(bus, folder + "someone_else", 0, {"file:///stray/answer.png"});
        EmitResponse(bus, handle, mScript.response, mScript.uris);
    }

    static void EmitResponse(DBusConnection* bus, const std::string& path, uint32_t response,
                             const std::vector<std::string>& uris) {
        DBusMessage* signal = dbus_message_new_signal(path.c_str(), RequestInterface, "Response");
        DBusMessageIter args, results, entry, variant, list;
        dbus_message_iter_init_append(signal, &args);
        dbus_message_iter_append_basic(&args, DBUS_TYPE_UINT32, &response);
        dbus_message_iter_open_container(&args, DBUS_TYPE_ARRAY, "{sv}", &results);
        if (!uris.empty()) {
            const char* key = "uris";
            dbus_message_iter_open_container(&results, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
            dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key);
            dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, "as", &variant);
            dbus_message_iter_open_container(&variant, DBUS_TYPE_ARRAY, "s", &list);
            for (const std::string& uri : uris) {
                const char* text = uri.c_str();
                dbus_message_iter_append_basic(&list, DBUS_TYPE_STRING, &text);
            }
            dbus_message_iter_close_container(&variant, &list);
            dbus_message_iter_close_container(&entry, &variant);
            dbus_message_iter_close_container(&results, &entry);
        }
        dbus_message_iter_close_container(&args, &results);
        dbus_connection_send(bus, signal, nullptr);
        dbus_message_unref(signal);
    }

    Script mScript;
    std::promise<bool> mReady;
    std::thread mThread;
    std::atomic<bool> mStop{false};
    std::atomic<bool> mLeft{false};
    std::atomic<bool> mClosed{false};
    std::atomic<int> mVersionQueries{0};
    std::mutex mMutex;
    std::vector<SeenRequest> mRequests;
};

FileChooserRequest PictureRequest() {
    FileChooserRequest request;
    request.title = "Choose Image to Load";
    request.filter = {"Images", {"*.jpg", "*.png", "*.tga", "*.gif"}};
    request.startFolder = "/home/player/My Pictures";
    request.ownerWindow = "x11:1a00007";
    return request;
}

class PortalFileChooserTest : public ::testing::Test {
protected:
    PortalFileChooser Chooser(int answerTimeoutMs = 10'000) const {
        return PortalFileChooser({bus.Address(), 10'000, answerTimeoutMs});
    }
    FileChooserResult Ask(FakePortal::Script script) {
        FakePortal portal(bus.Address(), std::move(script));
        return Chooser().ChooseFileToOpen(PictureRequest());
    }

    PrivateBus bus;
};

} // namespace

TEST_F(PortalFileChooserTest, OpenFileCarriesTheRequestAndTheAnswerBecomesALocalPath) {
    FakePortal portal(bus.Address(), {.uris = {"file:///tmp/holiday%20snaps/Tom's%20%22best%22%25.jpg",
                                               "file:///tmp/second.png"}});
    EXPECT_EQ(Chooser().ChooseFileToOpen(PictureRequest()),
              FileChooserResult::Chosen("/tmp/holiday snaps/Tom's \"best\"%.jpg"));

    std::vector<SeenRequest> requests = portal.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const SeenRequest& seen = requests[0];
    EXPECT_EQ(seen.parentWindow, "x11:1a00007");
    EXPECT_EQ(seen.title, "Choose Image to Load");
    EXPECT_FALSE(seen.token.empty());
    EXPECT_EQ(seen.token.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_"),
              std::string::npos)
        << "a token must be usable as a path element";
    EXPECT_EQ(seen.filterCaption, "Images");
    EXPECT_EQ(seen.patterns, (std::vector<std::pair<uint32_t, std::string>>{{0, "*.jpg"},
                                                                            {0, "*.JPG"},
                                                                            {0, "*.png"},
                                                                            {0, "*.PNG"},
                                                                            {0, "*.tga"},
                                                                            {0, "*.TGA"},
                                                                            {0, "*.gif"},
                                                                            {0, "*.GIF"}}));
    EXPECT_EQ(seen.folder, "/home/player/My Pictures");
    EXPECT_TRUE(seen.modal);
    EXPECT_FALSE(seen.multiple);
    EXPECT_FALSE(seen.directory);
    EXPECT_EQ(portal.VersionQueries(), 1);
}

TEST_F(PortalFileChooserTest, EachRequestGetsAFreshToken) {
    FakePortal portal(bus.Address(), {.uris = {"file:///a.png"}});
    PortalFileChooser chooser = Chooser();
    EXPECT_EQ(chooser.ChooseFileToOpen(PictureRequest()), FileChooserResult::Chosen("/a.png"));
    EXPECT_EQ(chooser.ChooseFileToOpen(PictureRequest()), FileChooserResult::Chosen("/a.png"));
    std::vector<SeenRequest> requests = portal.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(requests[0].token, requests[1].token);
}

TEST_F(PortalFileChooserTest, CancelAndFailureToShowAreToldApart) {
    EXPECT_EQ(Ask({.response = 1}), FileChooserResult::Cancelled());
    EXPECT_EQ(Ask({.response = 2}), FileChooserResult::Unavailable());
    // Chosen, but nothing this program could open.
    EXPECT_EQ(Ask({.uris = {"sftp://host/picture.png"}}), FileChooserResult::Cancelled());
    EXPECT_EQ(Ask({}), FileChooserResult::Cancelled());
}

TEST_F(PortalFileChooserTest, AnswersThatOvertakeTheReplyOrComeFromElsewhereAreHandled) {
    EXPECT_EQ(Ask({.answer = FakePortal::Answer::BeforeReply, .uris = {"file:///early.png"}}),
              FileChooserResult::Chosen("/early.png"));
    EXPECT_EQ(Ask({.uris = {"file:///mine.png"}, .strayAnswerFirst = true}),
              FileChooserResult::Chosen("/mine.png"));
    EXPECT_EQ(Ask({.answer = FakePortal::Answer::BeforeReply,
                   .uris = {"file:///mine.png"},
                   .strayAnswerFirst = true,
                   .ignoreToken = true}),
              FileChooserResult::Chosen("/mine.png"));
}

TEST_F(PortalFileChooserTest, APortalWithoutAFileChooserIsNeverAsked) {
    FakePortal portal(bus.Address(), {.offersFileChooser = false, .uris = {"file:///a.png"}});
    EXPECT_EQ(Chooser().ChooseFileToOpen(PictureRequest()), FileChooserResult::Unavailable());
    EXPECT_EQ(portal.VersionQueries(), 1);
    EXPECT_TRUE(portal.Requests().empty());
}

TEST_F(PortalFileChooserTest, ARequestLeftUnansweredIsWithdrawnInTime) {
    FakePortal portal(bus.Address(), {.answer = FakePortal::Answer::Never});
    EXPECT_EQ(Chooser(200).ChooseFileToOpen(PictureRequest()), FileChooserResult::Cancelled());
    EXPECT_TRUE(portal.WaitForClose());
}

TEST_F(PortalFileChooserTest, APortalThatGoesAwayMidRequestIsUnavailable) {
    FakePortal portal(bus.Address(), {.answer = FakePortal::Answer::Leave});
    // The long bound shows that the departure, not the time, ends the wait.
    EXPECT_EQ(Chooser(600'000).ChooseFileToOpen(PictureRequest()), FileChooserResult::Unavailable());
}

TEST_F(PortalFileChooserTest, NoPortalOnTheBusOrNoBusIsUnavailableAtOnce) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    PortalFileChooser patient({bus.Address(), 600'000, 600'000});
    EXPECT_EQ(patient.ChooseFileToOpen(PictureRequest()), FileChooserResult::Unavailable());
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(60)) << "the bus says at once that nobody is there";

    PortalFileChooser nowhere({"unix:path=/nonexistent/zorbel/bus", 600'000, 600'000});
    EXPECT_EQ(nowhere.ChooseFileToOpen(PictureRequest()), FileChooserResult::Unavailable());
    PortalFileChooser nonsense({"not an address", 600'000, 600'000});
    EXPECT_EQ(nonsense.ChooseFileToOpen(PictureRequest()), FileChooserResult::Unavailable());
}

TEST(PortalFileChooserSessionTest, TheSessionBusComesFromTheEnvironmentOrTheRuntimeFolder) {
    ZorbelTest::ScopedEnvironment environment;
    environment.Set("DBUS_SESSION_BUS_ADDRESS", "unix:path=/run/user/1000/bus");
    EXPECT_EQ(PortalFileChooser::SessionBusAddress(), "unix:path=/run/user/1000/bus");

    environment.Unset("DBUS_SESSION_BUS_ADDRESS");
    std::filesystem::path runtime = TestFolder("runtime") / "odd dir";
    std::filesystem::remove_all(runtime.parent_path());
    std::filesystem::create_directories(runtime);
    environment.Set("XDG_RUNTIME_DIR", runtime.string());
    EXPECT_EQ(PortalFileChooser::SessionBusAddress(), "") << "no bus socket there";
    std::ofstream(runtime / "bus") << "not a socket";
    EXPECT_EQ(PortalFileChooser::SessionBusAddress(), "");
    std::filesystem::remove(runtime / "bus");

    int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::string socketPath = (runtime / "bus").string();
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(PortalFileChooser::SessionBusAddress(),
              "unix:path=" + runtime.parent_path().string() + "/odd%20dir/bus");
    close(listener);

    environment.Unset("XDG_RUNTIME_DIR");
    EXPECT_EQ(PortalFileChooser::SessionBusAddress(), "");
    std::filesystem::remove_all(runtime.parent_path());
}

TEST(PortalFileChooserUriTest, FileUrisDecodeToLocalPaths) {
    EXPECT_EQ(FileUriToPath("file:///home/p/a%20b.jpg"), "/home/p/a b.jpg");
    EXPECT_EQ(FileUriToPath("file://localhost/x/y.PNG"), "/x/y.PNG");
    EXPECT_EQ(FileUriToPath("FILE:///caps"), "/caps");
    EXPECT_EQ(FileUriToPath("file:/single/slash"), "/single/slash");
    EXPECT_EQ(FileUriToPath("file:///caf%C3%a9/%22q%22%27%25%3F%23%2F.gif"), "/caf\xC3\xA9/\"q\"'%?#/.gif");
    EXPECT_EQ(FileUriToPath("file:///"), "/");
}

TEST(PortalFileChooserUriTest, AnythingButALocalFileIsRefused) {
    for (const char* uri : {"", "file:", "file://", "file://host/x.png", "file://localhost", "http://x/y.png",
                            "files:///x", "file:relative/x.png", "file:///x%2", "file:///x%zz", "file:///x%0",
                            "file:///nul%00byte", "file:///x?query", "file:///x#fragment", "/plain/path"})
        EXPECT_EQ(FileUriToPath(uri), std::nullopt) << uri;
}
