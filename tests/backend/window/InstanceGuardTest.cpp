#include "backend/window/InstanceGuard.h"

#include "backend/window/MessageQueue.h"
#include "backend/window/SecondCopy.h"
#include "backend/window/SystemWindow.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* GUARD_NAME = "VantrelGuard";

// role "second:<scope>": a second copy that must find the lock taken and the
// window there. Exit code 0 when it asked the window to show itself.
// role "holder:<scope>": takes the lock, says so, and waits to be killed.
int RunRole(const std::string& role)
{
    size_t colon = role.find(':');
    if (colon == std::string::npos)
        return 90;
    std::string kind = role.substr(0, colon);
    backend::SetInstanceScope(role.substr(colon + 1));
    if (kind == "second") {
        if (backend::CreateInstanceLock(GUARD_NAME))
            return 1;
        backend::RunningWindow window = backend::FindWindow(GUARD_NAME);
        if (!window)
            return 2;
        return window.Activate() ? 0 : 3;
    }
    if (kind == "holder") {
        if (!backend::CreateInstanceLock(GUARD_NAME))
            return 4;
        secondcopy::WriteLine(1, "held");
        secondcopy::ReadLine(0, 60000);
        return 0;
    }
    return 91;
}

const bool g_SecondCopyRan = secondcopy::RunSecondCopyIfAsked(RunRole);

intptr_t PlainProcedure(backend::NativeWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    return backend::DefWindowProc(window, message, wParam, lParam);
}

// The abstract address the guarded window listens on, and its length.
socklen_t ActivationSocketAddress(sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    const std::string name = backend::ActivationAddress(GUARD_NAME);
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    return socklen_t(offsetof(sockaddr_un, sun_path) + 1 + name.size());
}

void ServeMessages()
{
    backend::Message message;
    while (backend::PeekMessage(message))
        backend::DispatchMessage(message);
}

class InstanceGuard : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(g_SecondCopyRan);
        scope = secondcopy::UniqueScope("guard");
        backend::SetInstanceScope(scope);
    }

    void TearDown() override
    {
        if (window)
            backend::DestroyWindow(window);
        backend::UnregisterWindowClass(GUARD_NAME, nullptr);
        backend::SetInstanceScope("");
    }

    void CreateGuardedWindow()
    {
        backend::WindowClass windowClass;
        windowClass.procedure = PlainProcedure;
        windowClass.className = GUARD_NAME;
        ASSERT_TRUE(backend::RegisterWindowClass(windowClass));
        window = backend::CreateWindow(GUARD_NAME, GUARD_NAME, backend::WS_VISIBLE, 0, 0, 64, 64, nullptr);
        ASSERT_NE(window, nullptr);
    }

    // Connects to the window's address as any client could, to send it anything.
    int ConnectRaw()
    {
        int client = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address;
        const socklen_t length = ActivationSocketAddress(address);
        EXPECT_EQ(connect(client, reinterpret_cast<sockaddr*>(&address), length), 0);
        return client;
    }

    bool WaitForRequests(int count)
    {
        for (int i = 0; i < 500 && backend::ActivationRequestCount() < count; ++i) {
            ServeMessages();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return backend::ActivationRequestCount() >= count;
    }

    std::string scope;
    backend::NativeWindow* window = nullptr;
};

} // namespace

TEST_F(InstanceGuard, SecondCopyAsksTheFirstWindowToShowAndGivesWay)
{
    ASSERT_TRUE(backend::CreateInstanceLock(GUARD_NAME));
    CreateGuardedWindow();
    int before = backend::ActivationRequestCount();

    secondcopy::Copy copy = secondcopy::Start("second:" + scope);
    ASSERT_GT(copy.pid, 0);
    EXPECT_EQ(secondcopy::Wait(copy, 20000, ServeMessages), 0);
    secondcopy::Stop(copy);
    EXPECT_TRUE(WaitForRequests(before + 1));
    EXPECT_EQ(backend::ActivationRequestCount(), before + 1);
}

TEST_F(InstanceGuard, LockIsTakenOncePerNameAndIsFreeAgainWhenItsHolderDies)
{
    secondcopy::Copy holder = secondcopy::Start("holder:" + scope);
    ASSERT_GT(holder.pid, 0);
    ASSERT_EQ(secondcopy::ReadLine(holder.output, 20000), "held");
    EXPECT_FALSE(backend::CreateInstanceLock(GUARD_NAME));
    EXPECT_TRUE(backend::CreateInstanceLock("VantrelOther"));
    secondcopy::Stop(holder);
    EXPECT_TRUE(backend::CreateInstanceLock(GUARD_NAME));
    EXPECT_FALSE(backend::CreateInstanceLock(GUARD_NAME));
}

TEST_F(InstanceGuard, NoWindowIsFoundBeforeOneIsCreatedOrAfterItIsDestroyed)
{
    EXPECT_FALSE(backend::FindWindow(GUARD_NAME));
    CreateGuardedWindow();
    EXPECT_TRUE(backend::FindWindow(GUARD_NAME));
    backend::DestroyWindow(window);
    window = nullptr;
    EXPECT_FALSE(backend::FindWindow(GUARD_NAME));
}

// A copy with another lock folder (another session, or a test run beside a
// player's game) neither finds this window nor keeps its own from listening.
TEST_F(InstanceGuard, WindowsOfAnotherLockFolderAreNotFound)
{
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = runtimeDir ? runtimeDir : "";
    const std::string other = ::testing::TempDir() + "guard-folder-" + scope;
    ASSERT_EQ(mkdir(other.c_str(), 0700), 0);
    CreateGuardedWindow();
    setenv("XDG_RUNTIME_DIR", other.c_str(), 1);
    EXPECT_FALSE(backend::FindWindow(GUARD_NAME));
    backend::NativeWindow* second =
        backend::CreateWindow(GUARD_NAME, GUARD_NAME, backend::WS_VISIBLE, 0, 0, 64, 64, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(backend::FindWindow(GUARD_NAME));
    backend::DestroyWindow(second);
    if (runtimeDir)
        setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
    EXPECT_TRUE(backend::FindWindow(GUARD_NAME));
    rmdir(other.c_str());
}

TEST_F(InstanceGuard, BrokenRequestsAreIgnoredAndSplitOnesAccepted)
{
    CreateGuardedWindow();
    int before = backend::ActivationRequestCount();

    int junk = ConnectRaw();
    const char garbage[] = "\x01\xFF garbage that is long enough\n";
    ASSERT_GT(send(junk, garbage, sizeof(garbage), MSG_NOSIGNAL), 0);
    int silent = ConnectRaw(); // connects and goes away
    close(silent);
    for (int i = 0; i < 10; ++i)
        ServeMessages();
    close(junk);
    EXPECT_EQ(backend::ActivationRequestCount(), before);

    int split = ConnectRaw();
    ASSERT_EQ(send(split, "acti", 4, MSG_NOSIGNAL), 4);
    ServeMessages();
    EXPECT_EQ(backend::ActivationRequestCount(), before);
    ASSERT_EQ(send(split, "vate\n", 5, MSG_NOSIGNAL), 5);
    EXPECT_TRUE(WaitForRequests(before + 1));
    close(split);

    // More idle clients than are kept waiting: the oldest are dropped, nothing breaks.
    std::vector<int> idle;
    for (int i = 0; i < 8; ++i)
        idle.push_back(ConnectRaw());
    ServeMessages();
    for (int client : idle)
        close(client);
    ServeMessages();
    backend::RunningWindow found = backend::FindWindow(GUARD_NAME);
    ASSERT_TRUE(found);
    EXPECT_TRUE(found.Activate());
    EXPECT_TRUE(WaitForRequests(before + 2));
}

// Another user who listens on our name first (abstract names have no
// permissions) must not stop the game: that listener is no window of ours, and
// our own window, unable to listen, says so. Needs a second user id (a child
// that may switch to "nobody"); skipped where the test can't make one.
TEST_F(InstanceGuard, AnotherUsersListenerIsNoWindow)
{
    int ready[2], hold[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(hold), 0);
    sockaddr_un address;
    const socklen_t length = ActivationSocketAddress(address);
    const pid_t squatter = fork();
    ASSERT_GE(squatter, 0);
    if (squatter == 0) {
        close(ready[0]);
        close(hold[1]);
        char state = 'n';
        if (getuid() != 65534 && setgid(65534) == 0 && setuid(65534) == 0) {
            int listener = socket(AF_UNIX, SOCK_STREAM, 0);
            if (bind(listener, reinterpret_cast<sockaddr*>(&address), length) == 0 && listen(listener, 8) == 0)
                state = 'y';
        }
        if (write(ready[1], &state, 1) != 1 || state != 'y')
            _exit(0);
        char byte;
        while (read(hold[0], &byte, 1) > 0) {
        }
        _exit(0);
    }
    close(ready[1]);
    close(hold[0]);
    char state = 'n';
    const bool listening = read(ready[0], &state, 1) == 1 && state == 'y';
    close(ready[0]);
    if (!listening) {
        close(hold[1]);
        waitpid(squatter, nullptr, 0);
        GTEST_SKIP() << "this test can't listen as another user";
    }

    EXPECT_FALSE(backend::FindWindow(GUARD_NAME));
    testing::internal::CaptureStderr();
    CreateGuardedWindow();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("Window \"VantrelGuard\" cannot listen for activation requests"), std::string::npos) << said;
    EXPECT_FALSE(backend::FindWindow(GUARD_NAME));

    close(hold[1]);
    waitpid(squatter, nullptr, 0);
}
