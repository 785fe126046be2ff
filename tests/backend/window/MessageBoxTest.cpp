#include "backend/window/MessageBox.h"

#include "backend/window/WindowTypes.h"

#include <gtest/gtest.h>

#include <string>

TEST(MessageBox, HeadlessBoxWritesToStderrAndReturns)
{
    // The tests run with the offscreen driver: no box may wait for a click.
    testing::internal::CaptureStderr();
    bool shown = backend::ShowMessageBox(nullptr, "Error creating window!", "Vantrel", backend::MB_OK);
    std::string written = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(shown);
    EXPECT_EQ(written, "Vantrel: Error creating window!\n");

    testing::internal::CaptureStderr();
    backend::ShowMessageBox(nullptr, nullptr, nullptr, backend::MB_OK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), ": \n");
}

TEST(MessageBox, HookTakesTheBoxUntilRemoved)
{
    std::string seen;
    backend::SetMessageBoxHook([&](backend::NativeWindow*, const char* text, const char* caption) {
        seen = std::string(caption) + "|" + text;
    });
    testing::internal::CaptureStderr();
    EXPECT_TRUE(backend::ShowMessageBox(nullptr, "text", "caption", backend::MB_OK));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(seen, "caption|text");
    backend::SetMessageBoxHook(nullptr);
    testing::internal::CaptureStderr();
    backend::ShowMessageBox(nullptr, "again", "caption", backend::MB_OK);
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(seen, "caption|text");
}
