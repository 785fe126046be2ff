#pragma once
// The lines shown over a network race: newest first, at most six, each gone
// eight seconds after it was added. Network threads add lines while the main
// thread ages and draws them, so the list has its own lock, which lives as
// long as the list. Another lock may be held while this one is taken, never
// the reverse.

#include <cstdint>
#include <functional>
#include <list>
#include <mutex>

class BitmapFont;

constexpr uint32_t MESSAGE_LIST_MAX_LINES = 6;
constexpr uint32_t MESSAGE_LIFETIME_MS = 8000;
constexpr int MESSAGE_TEXT_SIZE = 64;

struct MessageListEntry {
    char text[MESSAGE_TEXT_SIZE] = {}; // cut to 63 characters
    uint32_t ageMs = 0;
};

class MessageList {
public:
    void Init();
    // False when the list is not enabled.
    bool Add(const char* text);
    void Update(uint32_t elapsedMs);
    // Each line at scale 0.5 in white, left-aligned, y growing by lineStep.
    void Render(BitmapFont& font, float x, float y, float lineStep);
    // Empties and disables the list; Add may still be called safely.
    void Destroy();

    // Calls `visit` for each line, newest first, under the lock (Render draws through it).
    void ForEachLine(const std::function<void(const MessageListEntry&)>& visit);

private:
    std::list<MessageListEntry> entries;
    uint32_t count = 0;
    std::recursive_mutex lock;
    bool enabled = false;
};
