// The on-screen message list: capacity, ageing, the enabled window, long
// texts, and adds from other threads while the main thread ages and draws.

#include "race/MessageList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<std::string> Lines(MessageList& list)
{
    std::vector<std::string> lines;
    list.ForEachLine([&](const MessageListEntry& entry) { lines.emplace_back(entry.text); });
    return lines;
}

// The six newest lines, newest first, each cut to 63 characters.
TEST(MessageList, KeepsTheSixNewestNewestFirstCutTo63Characters)
{
    MessageList list;
    list.Init();
    for (int i = 1; i <= 7; ++i)
        EXPECT_TRUE(list.Add(("line " + std::to_string(i)).c_str()));
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"line 7", "line 6", "line 5", "line 4", "line 3", "line 2"}));
    const std::string longText(200, 'n');
    ASSERT_TRUE(list.Add(longText.c_str()));
    EXPECT_EQ(Lines(list).front(), longText.substr(0, 63));
    list.Destroy();
}

TEST(MessageList, LineGoesAtTheUpdateThatReachesEightSeconds)
{
    MessageList list;
    list.Init();
    list.Add("old");
    list.Update(5000);
    list.Add("new");
    list.Update(2999);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"new", "old"}));
    list.Update(1); // "old" is 8000 ms old
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"new"}));
    list.Update(4999);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"new"}));
    list.Update(0xFFFFFFFFu); // no wrap-around back to young
    EXPECT_TRUE(Lines(list).empty());

    // Lines added after an emptying still count and age from zero.
    for (int i = 0; i < 6; ++i)
        list.Add("again");
    list.Update(7999);
    EXPECT_EQ(Lines(list).size(), 6u);
    list.Destroy();
}

TEST(MessageList, AddOutsideInitAndDestroyKeepsNothing)
{
    MessageList list;
    EXPECT_FALSE(list.Add("before"));
    list.Update(10);
    EXPECT_TRUE(Lines(list).empty());

    list.Init();
    EXPECT_TRUE(list.Add("during"));
    list.Destroy();
    EXPECT_FALSE(list.Add("after"));
    EXPECT_TRUE(Lines(list).empty());

    // A race's list can be used again after a new Init.
    list.Init();
    EXPECT_EQ(Lines(list).size(), 0u);
    EXPECT_TRUE(list.Add("next race"));
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"next race"}));
    EXPECT_FALSE(list.Add(nullptr));
    list.Destroy();
}

TEST(MessageList, AddsFromOtherThreadsWhileTheMainThreadAgesAndReads)
{
    MessageList list;
    list.Init();
    std::atomic<bool> go{false};
    std::atomic<int> accepted{0};
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([&, t] {
            while (!go)
                std::this_thread::yield();
            for (int i = 0; i < 2000; ++i)
                if (list.Add(("player " + std::to_string(t) + " connected").c_str()))
                    ++accepted;
        });
    }
    go = true;
    size_t maxSeen = 0;
    // Frames go on until the writers are well under way (bounded in time).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (int frame = 0; accepted < 2000 && std::chrono::steady_clock::now() < deadline; ++frame) {
        list.Update(16);
        size_t seen = 0;
        list.ForEachLine([&](const MessageListEntry& entry) {
            ++seen;
            EXPECT_EQ(std::strncmp(entry.text, "player ", 7), 0);
        });
        maxSeen = std::max(maxSeen, seen);
    }
    // The race ends while the network still adds lines.
    list.Destroy();
    for (std::thread& w : writers)
        w.join();
    EXPECT_LE(maxSeen, size_t(MESSAGE_LIST_MAX_LINES));
    EXPECT_GT(accepted.load(), 0);
    EXPECT_TRUE(Lines(list).empty());
}

} // namespace
