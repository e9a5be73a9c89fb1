#include "mapcheck/FileChecks.h"

#include "zonemap/MapSetBytes.h"
#include "zonemap/StringUtils.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <unordered_map>

namespace {

const char ByteOrderMark[] = "\xEF\xBB\xBF";
constexpr int64_t ExactPositions = 16777216; // 2^24: every integer up to it fits a float

bool IsKey(std::string_view Key) {
    return Key == "Bitmap" || Key == "Element" || Key == "Zone" || Key == "Link";
}

char LowerAscii(char C) {
    return C >= 'A' && C <= 'Z' ? char(C - 'A' + 'a') : C;
}

// As the surface matches bitmap names: ASCII letters in either case.
bool SameIgnoringCase(std::string_view A, std::string_view B) {
    return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](char X, char Y) {
               return LowerAscii(X) == LowerAscii(Y);
           });
}

std::string_view Trimmed(std::string_view S) {
    const size_t First = S.find_first_not_of(" \t");
    if (First == std::string_view::npos)
        return {};
    return S.substr(First, S.find_last_not_of(" \t") - First + 1);
}

bool IsBinary(std::string_view S) {
    return std::any_of(S.begin(), S.end(), [](char C) {
        const auto B = static_cast<unsigned char>(C);
        return (B < 0x20 && B != '\t') || B == 0x7F;
    });
}

// A key as the finding shows it: quoted, long junk cut short, control bytes never printed.
std::string KeyText(std::string_view Key) {
    if (IsBinary(Key))
        return "holds bytes that are not text";
    constexpr size_t Shown = 40;
    std::string Text = "unknown key \"" + std::string(Key.substr(0, Shown)) +
                       (Key.size() > Shown ? "...\"" : "\"");
    for (std::string_view Known : {"Bitmap", "Element", "Zone", "Link"})
        if (SameIgnoringCase(Trimmed(Key), Known))
            Text += " (keys are exact: \"" + std::string(Known) + "\")";
    return Text;
}

std::string IgnoredReason(std::string_view Key) {
    if (Key.substr(0, 3) == ByteOrderMark) {
        const std::string_view Rest = Key.substr(3);
        if (IsKey(Rest))
            return "starts with a UTF-8 byte-order mark, which hides its key \"" +
                   std::string(Rest) + "\"";
        return "starts with a UTF-8 byte-order mark, then " + KeyText(Rest);
    }
    return KeyText(Key);
}

std::string LowerAscii(std::string_view S) {
    std::string Lower(S);
    for (char& C : Lower)
        C = LowerAscii(C);
    return Lower;
}

struct TBitmapLine {
    std::string_view Name;
    int32_t Line = 0;
};

// The Bitmap lines under each spelling an Element line may miss them by, the first line of
// each kept: one lookup per Element line, so that a file of many lines costs no more than
// reading it.
class TBitmapLines {
public:
    void Add(std::string_view Name, int32_t Line, bool HiddenByMark) {
        const TBitmapLine B{Name, Line};
        if (HiddenByMark) {
            FHidden.try_emplace(LowerAscii(Name), B);
            return;
        }
        FExact.try_emplace(LowerAscii(Name), B);
        FTrimmed.try_emplace(LowerAscii(Trimmed(Name)), B);
        const size_t Colon = Name.find(':');
        if (Colon != std::string_view::npos)
            FBeforeColon.try_emplace(LowerAscii(Name.substr(0, Colon)), B);
    }

    // Whether a Bitmap line above Line loads Name (matched as the surface matches names).
    bool Loads(std::string_view Name, int32_t Line) const {
        const TBitmapLine* B = Find(FExact, Name);
        return B != nullptr && B->Line < Line;
    }

    std::string WhyUnknown(std::string_view Name, int32_t Line) const {
        std::string Text = "the element names bitmap \"" + std::string(Name) +
                           "\", which no Bitmap line above it loads";
        const auto Above = [Line](const TBitmapLine* B) { return B != nullptr && B->Line < Line; };
        if (const TBitmapLine* B = Find(FHidden, Name); Above(B))
            return Text + "; line " + std::to_string(B->Line) +
                   " would, but its byte-order mark hides it";
        if (const TBitmapLine* B = Find(FTrimmed, Trimmed(Name)); Above(B))
            return Text + "; \"" + std::string(B->Name) + "\" differs from it only in spaces";
        if (const TBitmapLine* B = Find(FBeforeColon, Name); Above(B))
            return Text + "; the name ends at the first \":\", so bitmap \"" +
                   std::string(B->Name) + "\" cannot be placed";
        if (const TBitmapLine* B = Find(FExact, Name); B != nullptr && B->Line > Line)
            return Text + "; its Bitmap line comes later, on line " + std::to_string(B->Line);
        return Text;
    }

private:
    using TMap = std::unordered_map<std::string, TBitmapLine>;
    static const TBitmapLine* Find(const TMap& Map, std::string_view Name) {
        const auto Found = Map.find(LowerAscii(Name));
        return Found == Map.end() ? nullptr : &Found->second;
    }
    TMap FExact, FTrimmed, FBeforeColon, FHidden;
};

// What a coordinate beyond the exact range becomes in the sprite's single-precision
// position, as the save writes it back.
std::string PositionChange(char Axis, int32_t Value) {
    const float Held = float(Value);
    const double Saved =
        std::clamp(std::trunc(double(Held)), double(std::numeric_limits<int32_t>::min()),
                   double(std::numeric_limits<int32_t>::max()));
    const std::string Name = std::string(1, Axis) + " " + std::to_string(Value);
    if (int64_t(Saved) != Value)
        return Name + " is saved as " + std::to_string(int64_t(Saved));
    const double Step =
        double(std::nextafter(Held, std::numeric_limits<float>::infinity())) - double(Held);
    return Name + " stays, but positions there move in steps of " + std::to_string(int64_t(Step));
}

} // namespace

std::vector<TFinding> CheckMapSetText(std::string_view Text) {
    const size_t Nul = Text.find('\0');
    std::string_view Rest = Text.substr(0, Nul);

    // Lines exactly as the reader cuts them: ended by CR, LF or CR LF.
    std::vector<std::string_view> Lines;
    while (!Rest.empty()) {
        size_t End = 0;
        while (End < Rest.size() && Rest[End] != '\r' && Rest[End] != '\n')
            ++End;
        Lines.push_back(Rest.substr(0, End));
        if (End < Rest.size())
            End += Rest.compare(End, 2, "\r\n") == 0 ? 2 : 1;
        Rest.remove_prefix(End);
    }

    TBitmapLines Bitmaps;
    for (size_t I = 0; I < Lines.size(); ++I) {
        std::string_view Value = Lines[I], Key;
        SplitOff(Value, '=', Key);
        if (Key == "Bitmap" || Key == std::string(ByteOrderMark) + "Bitmap")
            Bitmaps.Add(Value, int32_t(I + 1), Key != "Bitmap");
    }

    std::vector<TFinding> Findings;
    const auto Add = [&Findings](const char* Kind, std::string Message, int32_t Line) {
        TFinding F(Kind, std::move(Message));
        F.Line = Line;
        Findings.push_back(std::move(F));
    };
    bool Used = false;
    for (size_t I = 0; I < Lines.size(); ++I) {
        const int32_t Line = int32_t(I + 1);
        std::string_view Value = Lines[I], Key;
        SplitOff(Value, '=', Key);
        if (!IsKey(Key)) {
            if (!Trimmed(Lines[I]).empty())
                Add("ignored-line", IgnoredReason(Key) + ": the reader ignores the line", Line);
            continue;
        }
        Used = true;
        if (Key == "Bitmap" && Value.find_first_of("/\\") != std::string_view::npos)
            Add("bitmap-directory-part",
                "bitmap name \"" + std::string(Value) +
                    "\" has a directory part: it is read from outside the map set's own "
                    "directory, which a copy of the map set elsewhere does not have",
                Line);
        if (Key != "Element")
            continue;
        std::string_view Name;
        SplitOff(Value, ':', Name);
        if (!Bitmaps.Loads(Name, Line))
            Add("unknown-bitmap", Bitmaps.WhyUnknown(Name, Line), Line);
        const int32_t X = SplitOffInt(Value, ',');
        const int32_t Y = SplitOffInt(Value, ',');
        std::string Changes;
        for (const auto& [Axis, V] : {std::pair{'x', X}, std::pair{'y', Y}})
            if (std::llabs(int64_t(V)) > ExactPositions)
                Changes += (Changes.empty() ? "" : "; ") + PositionChange(Axis, V);
        if (!Changes.empty())
            Add("element-position",
                "position (" + std::to_string(X) + "," + std::to_string(Y) +
                    ") lies beyond 16,777,216, where positions are held in single precision: " +
                    Changes,
                Line);
    }
    if (Nul != std::string_view::npos) {
        // The NUL sits on the last line read, or starts a line of its own.
        const bool OwnLine = Nul == 0 || Text[Nul - 1] == '\r' || Text[Nul - 1] == '\n';
        Add("ignored-line",
            "a NUL byte, past which the reader reads nothing: the rest of the file (" +
                std::to_string(Text.size() - Nul) + " bytes) is ignored",
            int32_t(Lines.size()) + (OwnLine ? 1 : 0));
    }
    if (!Used)
        Findings.push_back({"empty-map-set",
                            "the file holds no Bitmap, Element, Zone or Link line: nothing to "
                            "load",
                            {}});
    return Findings;
}

TLoadTextCheck::TLoadTextCheck(TZoneSpriteSurface& Surface) : FSurface(Surface) {
    FSurface.OnMapSetRead = [this](std::shared_ptr<const TMapSetBytes> Bytes) {
        FBytes = Bytes;
        FFindings = std::async(std::launch::async, [Bytes = std::move(Bytes)] {
            return CheckMapSetText(Bytes->Text());
        });
    };
}

TLoadTextCheck::~TLoadTextCheck() {
    FSurface.OnMapSetRead = nullptr;
}

std::string_view TLoadTextCheck::Text() const {
    return FBytes != nullptr ? FBytes->Text() : std::string_view();
}

std::vector<TFinding> TLoadTextCheck::TakeFindings() {
    return FFindings.valid() ? FFindings.get() : std::vector<TFinding>();
}
