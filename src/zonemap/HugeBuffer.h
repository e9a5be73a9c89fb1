#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#include <sys/mman.h>

// Storage for many values that are copied as bytes, left uninitialised. Large buffers ask
// for huge pages: at millions of entries, faulting in and clearing 4 KiB pages one by one
// costs more than the work done in them, and nearly every random access would also miss
// the TLB.
template <class T> class THugeBuffer {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

public:
    THugeBuffer() = default;
    explicit THugeBuffer(size_t Count) { Assign(Count); }
    THugeBuffer(THugeBuffer&& Other) noexcept
        : FData(std::move(Other.FData)), FSize(std::exchange(Other.FSize, 0)) {}
    THugeBuffer& operator=(THugeBuffer&& Other) noexcept {
        FData = std::move(Other.FData);
        FSize = std::exchange(Other.FSize, 0);
        return *this;
    }

    // Room for Count values; what was held is gone.
    void Assign(size_t Count) {
        constexpr size_t Huge = size_t(2) << 20;
        FData.reset();
        FSize = 0;
        if (Count == 0)
            return;
        const size_t Bytes = Count * sizeof(T);
        // Small buffers fit the cache and a huge page would only cost its clearing.
        const bool Large = Bytes >= Huge * 4;
        void* Memory =
            Large ? std::aligned_alloc(Huge, (Bytes + Huge - 1) / Huge * Huge) : std::malloc(Bytes);
        if (Memory == nullptr)
            throw std::bad_alloc();
        if (Large)
            madvise(Memory, (Bytes + Huge - 1) / Huge * Huge, MADV_HUGEPAGE);
        FData.reset(static_cast<T*>(Memory));
        FSize = Count;
    }
    void Clear() {
        FData.reset();
        FSize = 0;
    }

    size_t size() const { return FSize; }
    bool empty() const { return FSize == 0; }
    T* data() { return FData.get(); }
    T& operator[](size_t I) { return FData[I]; }
    const T& operator[](size_t I) const { return FData[I]; }
    T* begin() { return FData.get(); }
    T* end() { return FData.get() + FSize; }
    const T* begin() const { return FData.get(); }
    const T* end() const { return FData.get() + FSize; }

private:
    struct TFree {
        void operator()(T* P) const { std::free(P); }
    };
    std::unique_ptr<T[], TFree> FData;
    size_t FSize = 0;
};
