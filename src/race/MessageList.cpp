#include "race/MessageList.h"

#include "engine/platform/BitmapFont.h"

#include <cstring>
#include <new>

namespace {

constexpr float MESSAGE_SCALE = 0.5f;
constexpr uint32_t MESSAGE_COLOUR = 0xFFFFFFFF;

} // namespace

void MessageList::Init()
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    enabled = true;
}

bool MessageList::Add(const char* text)
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    if (!enabled || !text)
        return false;
    MessageListEntry entry;
    // Names from the network can be of any length: keep 63 bytes and the terminator.
    std::strncpy(entry.text, text, sizeof(entry.text) - 1);
    entry.text[sizeof(entry.text) - 1] = '\0';
    try {
        entries.push_front(entry);
    } catch (const std::bad_alloc&) {
        return false;
    }
    ++count;
    while (count > MESSAGE_LIST_MAX_LINES) {
        entries.pop_back();
        --count;
    }
    return true;
}

void MessageList::Update(uint32_t elapsedMs)
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    if (!enabled)
        return;
    for (auto it = entries.begin(); it != entries.end();) {
        // Saturating, so a huge step can't wrap an old line back to young.
        it->ageMs = (it->ageMs > UINT32_MAX - elapsedMs) ? UINT32_MAX : it->ageMs + elapsedMs;
        if (it->ageMs >= MESSAGE_LIFETIME_MS) {
            it = entries.erase(it);
            --count;
        } else {
            ++it;
        }
    }
}

void MessageList::ForEachLine(const std::function<void(const MessageListEntry&)>& visit)
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    if (!enabled)
        return;
    for (const MessageListEntry& entry : entries)
        visit(entry);
}

void MessageList::Render(BitmapFont& font, float x, float y, float lineStep)
{
    ForEachLine([&](const MessageListEntry& entry) {
        font.DrawText(entry.text, x, y, MESSAGE_SCALE, 0.0f, MESSAGE_COLOUR, 0);
        y += lineStep;
    });
}

void MessageList::Destroy()
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    entries.clear();
    count = 0;
    enabled = false;
}
