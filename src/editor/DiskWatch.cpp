#include "editor/DiskWatch.h"

#include "platform/FileOpen.h"

#include <QFile>
#include <QHashFunctions>

#include <chrono>
#include <sys/stat.h>
#include <vector>

namespace {

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// File times move in the kernel's clock ticks, and a copy over the network may round them
// to seconds: a file modified within this span of a look may change unseen.
constexpr int64_t UntrustedSpanNs = 2'000'000'000;

} // namespace

bool TDiskWatch::TState::StatTrusted() const {
    return TakenNs - ModifiedNs >= UntrustedSpanNs;
}

std::optional<TDiskWatch::TState> TDiskWatch::StatOf(const std::string& FileName) {
    struct stat Info {};
    if (::stat(FileName.c_str(), &Info) != 0 || !S_ISREG(Info.st_mode))
        return std::nullopt;
    TState State;
    State.Device = int64_t(Info.st_dev);
    State.Inode = int64_t(Info.st_ino);
    State.Size = int64_t(Info.st_size);
    State.ModifiedNs = int64_t(Info.st_mtim.tv_sec) * 1'000'000'000 + Info.st_mtim.tv_nsec;
    State.TakenNs = NowNs();
    return State;
}

std::optional<uint64_t> TDiskWatch::HashOf(const std::string& FileName) {
    QFile File;
    if (!OpenRegularFileForReading(FileName, File))
        return std::nullopt;
    // Only this process compares the values, so Qt's fast seeded hash serves; chained over
    // fixed-size blocks, so that the same bytes always give the same value.
    std::vector<char> Block(size_t(1) << 20);
    size_t Hash = 0x9e3779b97f4a7c15u;
    qint64 Total = 0;
    for (;;) {
        const qint64 Read = File.read(Block.data(), qint64(Block.size()));
        if (Read < 0)
            return std::nullopt;
        if (Read == 0)
            break;
        Hash = qHashBits(Block.data(), size_t(Read), Hash);
        Total += Read;
    }
    return uint64_t(Hash) ^ uint64_t(Total);
}

void TDiskWatch::Remember(const std::string& FileName) {
    FFileName = FileName;
    FKnown = StatOf(FileName);
    if (FKnown)
        FKnown->Hash = HashOf(FileName);
    FReported.reset();
}

void TDiskWatch::Forget() {
    FFileName.clear();
    FKnown.reset();
    FReported.reset();
}

bool TDiskWatch::Differs(const TState& Known, TState& Now) const {
    if (Known.SameStat(Now) && Known.StatTrusted())
        return false;
    if (!Now.Hash)
        Now.Hash = HashOf(FFileName);
    // Unreadable now or then: nothing to compare, and nothing a write would lose.
    if (!Now.Hash || !Known.Hash)
        return false;
    return Now.Size != Known.Size || *Now.Hash != *Known.Hash;
}

bool TDiskWatch::Changed() {
    if (FFileName.empty() || !FKnown)
        return false;
    std::optional<TState> Now = StatOf(FFileName);
    if (!Now)
        return false;
    if (Differs(*FKnown, *Now))
        return true;
    // Same bytes: the new time and identity answer the next look without hashing.
    if (Now->Hash)
        FKnown = Now;
    return false;
}

bool TDiskWatch::ChangedSinceReported() {
    if (FFileName.empty() || !FKnown)
        return false;
    std::optional<TState> Now = StatOf(FFileName);
    if (!Now)
        return false;
    if (!Differs(*FKnown, *Now)) {
        if (Now->Hash)
            FKnown = Now;
        return false;
    }
    if (FReported && !Differs(*FReported, *Now)) {
        FReported = Now;
        return false;
    }
    FReported = Now;
    return true;
}
