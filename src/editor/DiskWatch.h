#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What the open map-set file held when the editor last loaded or saved it, to tell whether
// another program has written it since. The file's time, size and identity answer at once;
// its bytes are hashed when those differ (a rewrite with the same content is no change) or
// when they cannot be trusted (a file written within the clock's resolution of the look).
class TDiskWatch {
public:
    // The file as it is now becomes what the map set was loaded from or saved to.
    void Remember(const std::string& FileName);
    void Forget();
    const std::string& FileName() const { return FFileName; }

    // The file differs from what was remembered. A file that is gone or unreadable does not
    // count: writing it loses nothing.
    bool Changed();
    // Changed, and not in the way last reported here: a change is reported once, however
    // often the window regains the focus. What Changed compares with stays as it was.
    bool ChangedSinceReported();

private:
    struct TState {
        int64_t Device = 0;
        int64_t Inode = 0;
        int64_t Size = -1;
        int64_t ModifiedNs = 0;
        // When the state was taken: a file modified shortly before may change again with
        // the same time and size.
        int64_t TakenNs = 0;
        std::optional<uint64_t> Hash;

        bool SameStat(const TState& Other) const {
            return Device == Other.Device && Inode == Other.Inode && Size == Other.Size &&
                   ModifiedNs == Other.ModifiedNs;
        }
        bool StatTrusted() const;
    };
    static std::optional<TState> StatOf(const std::string& FileName);
    static std::optional<uint64_t> HashOf(const std::string& FileName);
    // Whether the file now (Now, hashed here if need be) holds other bytes than Known.
    bool Differs(const TState& Known, TState& Now) const;

    std::string FFileName;
    std::optional<TState> FKnown;
    std::optional<TState> FReported;
};
