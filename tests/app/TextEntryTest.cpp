// Typing names and addresses: limits, backspace, refused characters, repeat.

#include "app/TextEntry.h"
#include "backend/clock/Clock.h"
#include "engine/platform/KeyRepeatTable.h"
#include "engine/platform/Window.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class TextEntry : public ::testing::Test {
protected:
    void SetUp() override
    {
        backend::UseManualClock(true);
        g_KeyRepeat.Clear();
        for (int key = 0; key < 8; ++key)
            g_KeyRepeat.AddKey(key, 300);
    }
    void TearDown() override
    {
        g_KeyRepeat.Clear();
        g_LastTypedChar = 0;
        backend::UseManualClock(false);
    }
    // One typed character followed by a turn without it, as the window messages give them.
    void TypeInto(char* text, size_t limit, bool address, uint8_t c)
    {
        g_LastTypedChar = c;
        UpdateTextEntry(text, limit, address);
        g_LastTypedChar = 0;
        UpdateTextEntry(text, limit, address);
    }
};

} // namespace

TEST_F(TextEntry, NameTakesNineteenPrintableCharactersAndBackspaceStopsAtEmpty)
{
    char name[20] = {};
    for (int i = 0; i < 25; ++i)
        TypeInto(name, NAME_MAX_LENGTH, false, uint8_t('a' + i % 26));
    EXPECT_EQ(std::string(name), "abcdefghijklmnopqrs");
    for (int i = 0; i < 25; ++i)
        TypeInto(name, NAME_MAX_LENGTH, false, 8);
    EXPECT_EQ(std::string(name), "");

    for (uint8_t c : {uint8_t(9), uint8_t(13), uint8_t(21), uint8_t(26), uint8_t(27), uint8_t(127), uint8_t(0x85)})
        TypeInto(name, NAME_MAX_LENGTH, false, c);
    EXPECT_EQ(std::string(name), "");
    for (uint8_t c : {uint8_t(' '), uint8_t('~'), uint8_t(0xE9)})
        TypeInto(name, NAME_MAX_LENGTH, false, c);
    EXPECT_EQ(std::string(name), " ~\xE9");
}

TEST_F(TextEntry, AddressTakesDigitsAndDotsUpToFifteen)
{
    char address[16] = {};
    for (char c : std::string("192.168.a1x00.12345"))
        TypeInto(address, ADDRESS_MAX_LENGTH, true, uint8_t(c));
    EXPECT_EQ(std::string(address), "192.168.100.123");
}

TEST_F(TextEntry, HeldCharacterRepeatsEvery300Ms)
{
    char name[20] = {};
    g_LastTypedChar = 'k';
    UpdateTextEntry(name, NAME_MAX_LENGTH, false);
    for (int ms = 0; ms < 290; ms += 10) {
        backend::AdvanceManualClock(10000);
        UpdateTextEntry(name, NAME_MAX_LENGTH, false);
    }
    EXPECT_EQ(std::string(name), "k");
    backend::AdvanceManualClock(20000);
    UpdateTextEntry(name, NAME_MAX_LENGTH, false);
    EXPECT_EQ(std::string(name), "kk");
}
