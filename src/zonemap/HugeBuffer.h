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
namespace HugeBufferDetail {

// A thread's few small blocks kept for its next buffers: freed, each would go back to the
// system and cost its pages' faults again on the next use, more than the work done in it.
struct TSpareBlocks {
    static constexpr int Count = 4;
    void* Block[Count] = {};
    size_t Bytes[Count] = {};
    ~TSpareBlocks() {
        for (void* B : Block)
            std::free(B);
    }
    void* Take(size_t Wanted, size_t& Got) {
        for (int K = 0; K < Count; ++K)
            if (Block[K] != nullptr && Bytes[K] >= Wanted) {
                Got = Bytes[K];
                return std::exchange(Block[K], nullptr);
            }
        return nullptr;
    }
    void Give(void* P, size_t Size) {
        for (int K = 0; K < Count; ++K)
            if (Block[K] == nullptr) {
                Block[K] = P;
                Bytes[K] = Size;
                return;
            }
        std::free(P);
    }
};
inline thread_local TSpareBlocks Spare;

} // namespace HugeBufferDetail

template <class T> class THugeBuffer {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);
    static constexpr size_t Huge = size_t(2) << 20;

public:
    THugeBuffer() = default;
    explicit THugeBuffer(size_t Count) { Assign(Count); }
    THugeBuffer(THugeBuffer&& Other) noexcept
        : FData(std::exchange(Other.FData, nullptr)), FSize(std::exchange(Other.FSize, 0)),
          FBytes(std::exchange(Other.FBytes, 0)) {}
    THugeBuffer& operator=(THugeBuffer&& Other) noexcept {
        if (this != &Other) {
            Clear();
            FData = std::exchange(Other.FData, nullptr);
            FSize = std::exchange(Other.FSize, 0);
            FBytes = std::exchange(Other.FBytes, 0);
        }
        return *this;
    }
    THugeBuffer(const THugeBuffer&) = delete;
    THugeBuffer& operator=(const THugeBuffer&) = delete;
    ~THugeBuffer() { Clear(); }

    // Room for Count values; what was held is gone.
    void Assign(size_t Count) {
        Clear();
        if (Count == 0)
            return;
        const size_t Bytes = Count * sizeof(T);
        void* Memory;
        if (Bytes >= Huge * 4) {
            FBytes = (Bytes + Huge - 1) / Huge * Huge;
            Memory = std::aligned_alloc(Huge, FBytes);
            if (Memory != nullptr)
                madvise(Memory, FBytes, MADV_HUGEPAGE);
        } else {
            // Small buffers fit the cache and a huge page would only cost its clearing.
            Memory = HugeBufferDetail::Spare.Take(Bytes, FBytes);
            if (Memory == nullptr) {
                FBytes = Bytes;
                Memory = std::malloc(Bytes);
            }
        }
        if (Memory == nullptr) {
            FBytes = 0;
            throw std::bad_alloc();
        }
        FData = static_cast<T*>(Memory);
        FSize = Count;
    }
    void Clear() {
        if (FData != nullptr) {
            if (FBytes >= Huge * 4)
                std::free(FData);
            else
                HugeBufferDetail::Spare.Give(FData, FBytes);
        }
        FData = nullptr;
        FSize = 0;
        FBytes = 0;
    }

    size_t size() const { return FSize; }
    bool empty() const { return FSize == 0; }
    T* data() { return FData; }
    T& operator[](size_t I) { return FData[I]; }
    const T& operator[](size_t I) const { return FData[I]; }
    T* begin() { return FData; }
    T* end() { return FData + FSize; }
    const T* begin() const { return FData; }
    const T* end() const { return FData + FSize; }

private:
    T* FData = nullptr;
    size_t FSize = 0;
    size_t FBytes = 0; // of the block held
};
