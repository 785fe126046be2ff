#pragma once
// Array that keeps its storage between uses and grows by a fixed step (-1 doubles, 0 never grows).

#include "physics/TAllocator.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

template <typename T> class TGrowArray {
    static_assert(std::is_trivially_copyable_v<T>, "entries are moved with memcpy");

public:
    TGrowArray() = default;
    TGrowArray(const TGrowArray&) = delete;
    TGrowArray& operator=(const TGrowArray&) = delete;
    ~TGrowArray() { Release(); }

    bool Create(TAllocator* allocator, int32_t firstCapacity, int32_t growthStep)
    {
        Release();
        owner = allocator;
        step = growthStep;
        return firstCapacity <= 0 || Reserve(firstCapacity);
    }

    void Release()
    {
        if (data != nullptr) {
            owner->Free(data);
        }
        data = nullptr;
        capacity = 0;
        count = 0;
    }

    // Appends a copy; false (nothing stored) when the array is full and cannot grow.
    bool Push(const T& value)
    {
        if (count == capacity && !Grow()) {
            return false;
        }
        std::memcpy(static_cast<void*>(&data[count]), &value, sizeof(T));
        ++count;
        return true;
    }

    // Room for one more entry at the end, not yet counted; null when it cannot grow.
    T* PushSlot()
    {
        if (count == capacity && !Grow()) {
            return nullptr;
        }
        return &data[count++];
    }

    bool Reserve(int32_t wanted)
    {
        if (wanted <= capacity) {
            return true;
        }
        if (owner == nullptr) {
            return false;
        }
        T* grown = static_cast<T*>(owner->Alloc(sizeof(T) * size_t(wanted), 0));
        if (grown == nullptr) {
            return false;
        }
        if (count > 0) {
            std::memcpy(static_cast<void*>(grown), data, sizeof(T) * size_t(count));
        }
        if (data != nullptr) {
            owner->Free(data);
        }
        data = grown;
        capacity = wanted;
        return true;
    }

    void Clear() { count = 0; }
    void Truncate(int32_t newCount) { count = newCount < count ? newCount : count; }
    int32_t Count() const { return count; }
    int32_t Capacity() const { return capacity; }
    T& operator[](int32_t i) { return data[i]; }
    const T& operator[](int32_t i) const { return data[i]; }
    T* Data() { return data; }

private:
    bool Grow()
    {
        if (step == 0) {
            return false;
        }
        int64_t wanted = step < 0 ? int64_t(capacity) * 2 : int64_t(capacity) + step;
        if (wanted < 1) {
            wanted = 1;
        }
        if (wanted > INT32_MAX / int64_t(sizeof(T))) {
            return false;
        }
        return Reserve(int32_t(wanted));
    }

    TAllocator* owner = nullptr;
    T* data = nullptr;
    int32_t capacity = 0;
    int32_t count = 0;
    int32_t step = 0;
};
