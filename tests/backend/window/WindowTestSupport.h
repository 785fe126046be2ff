#pragma once
// A test window of its own class whose procedure records what it receives.

#include "backend/window/MessageQueue.h"
#include "backend/window/SystemWindow.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace windowtest {

inline std::vector<backend::Message>& Received()
{
    static std::vector<backend::Message> received;
    return received;
}

inline intptr_t RecordingProcedure(backend::NativeWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    Received().push_back(backend::Message{window, message, wParam, lParam, 0});
    if (message == backend::WM_DESTROY)
        backend::PostQuitMessage(0);
    return backend::DefWindowProc(window, message, wParam, lParam);
}

class TestWindow : public ::testing::Test {
protected:
    static constexpr const char* CLASS_NAME = "VantrelWindowTest";

    void SetUp() override
    {
        backend::WindowClass windowClass;
        windowClass.procedure = RecordingProcedure;
        windowClass.className = CLASS_NAME;
        ASSERT_TRUE(backend::RegisterWindowClass(windowClass));
        window = backend::CreateWindow(CLASS_NAME, "Test", backend::WS_VISIBLE, 0, 0, 320, 240, nullptr);
        ASSERT_NE(window, nullptr);
        backend::ClearMessageQueue();
        Received().clear();
    }

    void TearDown() override
    {
        backend::ClearMessageQueue();
        backend::DestroyWindow(window);
        backend::UnregisterWindowClass(CLASS_NAME, nullptr);
    }

    // Removes the next message into `last`: it must be of `type`, with `wParam` when one is given.
    ::testing::AssertionResult NextIs(uint32_t type, std::optional<uintptr_t> wParam = std::nullopt)
    {
        if (!backend::PeekMessage(last))
            return ::testing::AssertionFailure() << "no message where " << type << " was due";
        if (last.message != type)
            return ::testing::AssertionFailure() << "message " << last.message << " where " << type << " was due";
        if (wParam && last.wParam != *wParam)
            return ::testing::AssertionFailure() << "wParam " << last.wParam << " instead of " << *wParam;
        return ::testing::AssertionSuccess();
    }
    bool QueueIsEmpty() { return !backend::PeekMessage(last); }

    backend::NativeWindow* window = nullptr;
    backend::Message last;
};

} // namespace windowtest
