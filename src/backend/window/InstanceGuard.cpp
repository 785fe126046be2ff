#include "backend/window/InstanceGuard.h"

#include "backend/window/SystemWindow.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <string_view>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace backend {

namespace {

constexpr std::string_view ACTIVATE_REQUEST = "activate\n";
constexpr size_t MAX_PENDING_CLIENTS = 4;

struct Listener {
    NativeWindow* window = nullptr;
    int socket = -1;
    std::vector<int> clients; // accepted, request not read yet
};

struct GuardState {
    std::mutex mutex;
    std::string scope;
    std::vector<int> lockFiles;
    std::vector<Listener> listeners;
    int activationRequests = 0;
};

// Function-local so that it can be used before main (tests that run a second
// copy of themselves do).
GuardState& State()
{
    static GuardState state;
    return state;
}

// Names come from code, but a slash would name another folder.
std::string SafeName(const char* name, const std::string& scope)
{
    std::string safe = std::string(name ? name : "") + scope;
    for (char& c : safe)
        if (c == '/')
            c = '_';
    return safe;
}

std::string LockFilePath(const std::string& name)
{
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
    struct stat info {};
    if (runtimeDir && runtimeDir[0] && stat(runtimeDir, &info) == 0 && S_ISDIR(info.st_mode))
        return std::string(runtimeDir) + "/" + name + ".lock";
    return "/tmp/" + name + "-" + std::to_string(getuid()) + ".lock";
}

// The window name of this user and lock folder: copies that use other lock
// folders are other sessions, and must neither find nor block each other's
// windows.
std::string AddressName(const std::string& name)
{
    uint64_t hash = 14695981039346656037ull; // FNV-1a of the lock file's path
    for (char c : LockFilePath(name)) {
        hash ^= uint8_t(c);
        hash *= 1099511628211ull;
    }
    char folder[17];
    std::snprintf(folder, sizeof(folder), "%016llx", static_cast<unsigned long long>(hash));
    return name + "." + std::to_string(getuid()) + "." + folder;
}

// An abstract socket address: no file, gone with the process.
socklen_t SocketAddress(const std::string& name, sockaddr_un& address)
{
    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    std::string text = AddressName(name);
    size_t length = std::min(text.size(), sizeof(address.sun_path) - 1);
    std::memcpy(address.sun_path + 1, text.data(), length);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

// The user at the other end of a connected socket: the client's for an
// accepted socket, the listener's for a connected one.
bool SameUser(int socket)
{
    ucred credentials{};
    socklen_t size = sizeof(credentials);
    if (getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
        return false;
    return credentials.uid == getuid();
}

// Reads what a client sent. True when the client is done (its socket can be
// closed); `activate` tells whether it asked for activation.
bool ReadRequest(int client, bool& activate)
{
    activate = false;
    char buffer[32];
    ssize_t got = recv(client, buffer, sizeof(buffer), MSG_DONTWAIT | MSG_PEEK);
    if (got < 0)
        return errno != EAGAIN && errno != EWOULDBLOCK;
    if (got == 0)
        return true;
    if (static_cast<size_t>(got) < ACTIVATE_REQUEST.size() &&
        std::string_view(buffer, size_t(got)) == ACTIVATE_REQUEST.substr(0, size_t(got)))
        return false; // a part of the request; wait for the rest
    activate = SameUser(client) && static_cast<size_t>(got) >= ACTIVATE_REQUEST.size() &&
               std::string_view(buffer, ACTIVATE_REQUEST.size()) == ACTIVATE_REQUEST;
    return true;
}

} // namespace

void SetInstanceScope(const std::string& scope)
{
    std::lock_guard lock(State().mutex);
    State().scope = scope;
}

bool CreateInstanceLock(const char* name)
{
    GuardState& state = State();
    std::lock_guard lock(state.mutex);
    std::string path = LockFilePath(SafeName(name, state.scope));
    int file = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (file < 0)
        return false;
    if (flock(file, LOCK_EX | LOCK_NB) != 0) {
        close(file);
        return false;
    }
    // Held until the process ends, when the system lets it go.
    state.lockFiles.push_back(file);
    return true;
}

RunningWindow::RunningWindow(RunningWindow&& other) noexcept : socket_(std::exchange(other.socket_, -1)) {}

RunningWindow& RunningWindow::operator=(RunningWindow&& other) noexcept
{
    if (this != &other) {
        if (socket_ >= 0)
            close(socket_);
        socket_ = std::exchange(other.socket_, -1);
    }
    return *this;
}

RunningWindow::~RunningWindow()
{
    if (socket_ >= 0)
        close(socket_);
}

bool RunningWindow::Activate()
{
    if (socket_ < 0)
        return false;
    ssize_t sent = send(socket_, ACTIVATE_REQUEST.data(), ACTIVATE_REQUEST.size(), MSG_NOSIGNAL);
    close(socket_);
    socket_ = -1;
    return sent == static_cast<ssize_t>(ACTIVATE_REQUEST.size());
}

RunningWindow FindWindow(const char* className)
{
    std::string name;
    {
        std::lock_guard lock(State().mutex);
        name = SafeName(className, State().scope);
    }
    int client = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (client < 0)
        return RunningWindow();
    sockaddr_un address;
    socklen_t length = SocketAddress(name, address);
    // Abstract names have no permissions: another user can listen on ours, and
    // is then not our window.
    if (connect(client, reinterpret_cast<sockaddr*>(&address), length) != 0 || !SameUser(client)) {
        close(client);
        return RunningWindow();
    }
    return RunningWindow(client);
}

std::string ActivationAddress(const char* className)
{
    std::lock_guard lock(State().mutex);
    return AddressName(SafeName(className, State().scope));
}

int ActivationRequestCount()
{
    std::lock_guard lock(State().mutex);
    return State().activationRequests;
}

void StartActivationListener(NativeWindow* window, const std::string& className)
{
    GuardState& state = State();
    std::lock_guard lock(state.mutex);
    int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listener < 0)
        return;
    sockaddr_un address;
    socklen_t length = SocketAddress(SafeName(className.c_str(), state.scope), address);
    // A name already taken means another window of the class listens (or
    // another user squats on it); this one then cannot be found, as with two
    // windows of one class.
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(listener, 8) != 0) {
        std::fprintf(stderr, "Window \"%s\" cannot listen for activation requests: %s\n", className.c_str(),
                     std::strerror(errno));
        close(listener);
        return;
    }
    state.listeners.push_back(Listener{window, listener, {}});
}

void StopActivationListener(NativeWindow* window)
{
    GuardState& state = State();
    std::lock_guard lock(state.mutex);
    for (auto it = state.listeners.begin(); it != state.listeners.end(); ++it) {
        if (it->window != window)
            continue;
        for (int client : it->clients)
            close(client);
        close(it->socket);
        state.listeners.erase(it);
        return;
    }
}

void ServeActivationRequests()
{
    std::vector<NativeWindow*> toActivate;
    {
        GuardState& state = State();
        std::lock_guard lock(state.mutex);
        for (Listener& listener : state.listeners) {
            int client;
            while ((client = accept4(listener.socket, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC)) >= 0) {
                if (listener.clients.size() >= MAX_PENDING_CLIENTS) {
                    close(listener.clients.front());
                    listener.clients.erase(listener.clients.begin());
                }
                listener.clients.push_back(client);
            }
            for (auto it = listener.clients.begin(); it != listener.clients.end();) {
                bool activate = false;
                if (!ReadRequest(*it, activate)) {
                    ++it;
                    continue;
                }
                close(*it);
                it = listener.clients.erase(it);
                if (activate) {
                    ++state.activationRequests;
                    toActivate.push_back(listener.window);
                }
            }
        }
    }
    for (NativeWindow* window : toActivate)
        ActivateWindow(window);
}

} // namespace backend
