#pragma once
// Fixed-capacity record pool with a LIFO free list: the slot freed last is taken first.

#include "physics/TAllocator.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

template <typename T> class TPool {
    static_assert(std::is_trivially_destructible_v<T>, "pool records are never destroyed");

public:
    TPool() = default;
    TPool(const TPool&) = delete;
    TPool& operator=(const TPool&) = delete;
    ~TPool() { Release(); }

    // Takes one block from the allocator for every record; false when it refuses.
    bool Create(TAllocator* allocator, int32_t count)
    {
        Release();
        if (count <= 0) {
            return true;
        }
        size_t recordBytes = sizeof(T) * size_t(count);
        size_t freeOffset = (recordBytes + 15) & ~size_t(15);
        size_t flagOffset = freeOffset + sizeof(int32_t) * size_t(count);
        void* block = allocator->Alloc(flagOffset + size_t(count), 0);
        if (block == nullptr) {
            return false;
        }
        owner = allocator;
        records = static_cast<T*>(block);
        freeList = reinterpret_cast<int32_t*>(static_cast<char*>(block) + freeOffset);
        inUse = reinterpret_cast<uint8_t*>(static_cast<char*>(block) + flagOffset);
        capacity = count;
        for (int32_t i = 0; i < count; ++i) {
            new (&records[i]) T();
            freeList[i] = count - 1 - i; // top of the stack is slot 0
        }
        std::memset(inUse, 0, size_t(count));
        freeCount = count;
        return true;
    }

    void Release()
    {
        if (records != nullptr) {
            owner->Free(records);
        }
        records = nullptr;
        freeList = nullptr;
        inUse = nullptr;
        owner = nullptr;
        capacity = 0;
        freeCount = 0;
    }

    // A fresh (value-initialised) record, or null when the pool is empty.
    T* Take()
    {
        if (freeCount == 0) {
            return nullptr;
        }
        int32_t slot = freeList[--freeCount];
        inUse[slot] = 1;
        T* record = new (&records[slot]) T();
        return record;
    }

    void Give(T* record)
    {
        int32_t slot = SlotOf(record);
        if (slot < 0 || !inUse[slot]) {
            return;
        }
        inUse[slot] = 0;
        freeList[freeCount++] = slot;
    }

    // Slot number of a record of this pool, or -1 for any other pointer.
    int32_t SlotOf(const void* record) const
    {
        if (records == nullptr || record == nullptr) {
            return -1;
        }
        auto address = reinterpret_cast<uintptr_t>(record);
        auto first = reinterpret_cast<uintptr_t>(records);
        if (address < first || address >= first + sizeof(T) * size_t(capacity)) {
            return -1;
        }
        if ((address - first) % sizeof(T) != 0) {
            return -1;
        }
        return int32_t((address - first) / sizeof(T));
    }

    bool IsInUse(const void* record) const
    {
        int32_t slot = SlotOf(record);
        return slot >= 0 && inUse[slot] != 0;
    }

    T* At(int32_t slot) { return &records[slot]; }
    int32_t Capacity() const { return capacity; }
    int32_t FreeCount() const { return freeCount; }
    int32_t UsedCount() const { return capacity - freeCount; }

private:
    TAllocator* owner = nullptr;
    T* records = nullptr;
    int32_t* freeList = nullptr;
    uint8_t* inUse = nullptr;
    int32_t capacity = 0;
    int32_t freeCount = 0;
};
