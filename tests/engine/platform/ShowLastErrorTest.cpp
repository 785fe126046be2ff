#include "engine/platform/Log.h"

#include "backend/window/MessageBox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ShownBox {
    void* owner;
    std::string text;
    std::string caption;
};

class ShowLastErrorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_LastError.clear();
        backend::SetMessageBoxHook([this](backend::NativeWindow* owner, const char* text, const char* caption) {
            shown.push_back(ShownBox{owner, text, caption});
        });
    }
    void TearDown() override
    {
        backend::SetMessageBoxHook(nullptr);
        g_LastError.clear();
    }
    std::vector<ShownBox> shown;
};

} // namespace

TEST_F(ShowLastErrorTest, OnlyTheLastErrorIsShownWithTheCaptionOrError)
{
    ShowLastError(nullptr, "Vantrel");
    EXPECT_TRUE(shown.empty()); // no error, no box
    ReportError("Error creating window!");
    ReportError("Error initializing DirectInput8!", false);
    ShowLastError(nullptr, "Vantrel");
    ShowLastError(nullptr, nullptr);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "Error initializing DirectInput8!");
    EXPECT_EQ(shown[0].caption, "Vantrel");
    EXPECT_EQ(shown[0].owner, nullptr);
    EXPECT_EQ(shown[1].caption, "Error");
}
