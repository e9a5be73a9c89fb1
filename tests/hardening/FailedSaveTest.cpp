// A save that fails, for whatever reason, reports it and leaves the file that was there
// before byte for byte, with nothing left beside it.
#include "Inputs.h"

#include "graphics/ColorPalette.h"
#include "platform/Application.h"
#include "platform/Exception.h"
#include "support/Scripted.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <linux/fs.h>
#include <ostream>
#include <string>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::string_literals;

namespace {

using namespace Inputs;

const std::string Previous = "Bitmap=OLD.BMP\r\nZone=0,0,1,0,1,1,;Old;0;\r\n\0\xff tail"s;

// Makes a directory unwritable for the whole process, root included (the immutable flag),
// or for everyone else (mode 0555) where the flag cannot be set. Undone on destruction.
class LockedDirectory {
public:
    explicit LockedDirectory(const std::string& Path) : FPath(Path) {
        FHandle = open(Path.c_str(), O_RDONLY | O_DIRECTORY);
        int Flags = 0;
        if (FHandle >= 0 && ioctl(FHandle, FS_IOC_GETFLAGS, &Flags) == 0) {
            Flags |= FS_IMMUTABLE_FL;
            FImmutable = ioctl(FHandle, FS_IOC_SETFLAGS, &Flags) == 0;
        }
        chmod(Path.c_str(), 0555);
    }
    ~LockedDirectory() {
        if (FImmutable) {
            int Flags = 0;
            ioctl(FHandle, FS_IOC_GETFLAGS, &Flags);
            Flags &= ~FS_IMMUTABLE_FL;
            ioctl(FHandle, FS_IOC_SETFLAGS, &Flags);
        }
        if (FHandle >= 0)
            close(FHandle);
        chmod(FPath.c_str(), 0755);
    }
    LockedDirectory(const LockedDirectory&) = delete;
    LockedDirectory& operator=(const LockedDirectory&) = delete;
    // Whether the lock holds for this process.
    bool Holds() const {
        const std::string Probe = FPath + "/probe";
        const int Fd = open(Probe.c_str(), O_CREAT | O_WRONLY, 0644);
        if (Fd < 0)
            return true;
        close(Fd);
        unlink(Probe.c_str());
        return false;
    }

private:
    std::string FPath;
    int FHandle = -1;
    bool FImmutable = false;
};

// Lets files grow to 1 KiB only while it lives.
class SmallFileLimit {
public:
    SmallFileLimit() : FHandler(std::signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &FOld);
        rlimit Small = FOld;
        Small.rlim_cur = 1024;
        setrlimit(RLIMIT_FSIZE, &Small);
    }
    ~SmallFileLimit() {
        setrlimit(RLIMIT_FSIZE, &FOld);
        std::signal(SIGXFSZ, FHandler);
    }
    SmallFileLimit(const SmallFileLimit&) = delete;
    SmallFileLimit& operator=(const SmallFileLimit&) = delete;

private:
    rlimit FOld{};
    void (*FHandler)(int);
};

struct Fixture {
    TempDir Dir;
    TColorPalette Palette;
    TZoneSpriteSurface Surface;
    std::string Target; // where the save goes; holds Previous unless a row changes that
};

struct SaveRow {
    const char* Id;
    // Makes the map set or the place unsavable; may return a guard that lives for the save.
    std::function<std::shared_ptr<void>(Fixture&)> Prepare;
    const char* Message;
};

// Test names and failure reports show the row's name, not its bytes.
void PrintTo(const SaveRow& R, std::ostream* Out) {
    *Out << R.Id;
}

void AddNamedZones(Fixture& F, const std::vector<std::string>& Names) {
    int32_t X = 0;
    for (const std::string& Name : Names) {
        F.Surface.AddZone(new TZone(&F.Surface, std::to_string(X) + ",0," + std::to_string(X + 10) +
                                                    ",0," + std::to_string(X + 10) + ",10;" + Name +
                                                    ";0;"));
        X += 10;
    }
}

std::vector<SaveRow> SaveRows() {
    return {
        {"UnnamedZone",
         [](Fixture& F) {
             AddNamedZones(F, {"A", ""});
             return nullptr;
         },
         "Zone 1 does not have a name"},
        {"RepeatedName",
         [](Fixture& F) {
             AddNamedZones(F, {"A", "B", "A"});
             return nullptr;
         },
         "Zones have the same name: A"},
        {"SemicolonInAName",
         [](Fixture& F) {
             AddNamedZones(F, {"A"});
             F.Surface.Zone(0)->SetName("A;B");
             return nullptr;
         },
         "Zone 0 has a name that contains \";\" or a line break"},
        {"LineBreakInAName",
         [](Fixture& F) {
             AddNamedZones(F, {"A", "B"});
             F.Surface.Zone(1)->SetName("B\r\nZone=x");
             return nullptr;
         },
         "Zone 1 has a name that contains \";\" or a line break"},
        {"ColonInABitmapName",
         [](Fixture& F) {
             WriteFile(F.Dir.File("HI:LLS.BMP"), MakeBmp({.Width = 8, .Height = 8, .Pixels = {}}));
             F.Surface.AddBitmap("HI:LLS.BMP");
             AddNamedZones(F, {"A"});
             return nullptr;
         },
         "Bitmap name contains \":\" or a line break: HI:LLS.BMP"},
        {"UnwritableDirectory",
         [](Fixture& F) -> std::shared_ptr<void> {
             AddNamedZones(F, {"A"});
             auto Lock = std::make_shared<LockedDirectory>(F.Dir.Path() + "/locked");
             if (!Lock->Holds())
                 return nullptr;
             return Lock;
         },
         "Cannot create file "},
        {"FileSizeLimit",
         [](Fixture& F) -> std::shared_ptr<void> {
             AddNamedZones(F, std::vector<std::string>(200, "")); // renamed below
             for (int32_t I = 0; I < F.Surface.ZoneCount(); ++I)
                 F.Surface.Zone(I)->SetName("Zone" + std::to_string(I));
             return std::make_shared<SmallFileLimit>();
         },
         "Cannot write file "},
    };
}

class FailedSave : public ::testing::TestWithParam<SaveRow> {};

TEST_P(FailedSave, IsReportedAndLeavesThePreviousFileByteForByte) {
    const SaveRow& R = GetParam();
    Fixture F;
    F.Surface.SetColorPalette(&F.Palette);
    F.Surface.SetBitmapDirectory(F.Dir.Path());
    std::filesystem::create_directory(F.Dir.Path() + "/locked");
    F.Target = F.Dir.Path() + "/locked/map.mapset";
    WriteFile(F.Target, Previous);

    MessageCapture Messages;
    bool Saved = false;
    {
        const std::shared_ptr<void> Guard = R.Prepare(F);
        if (std::string(R.Id) == "UnwritableDirectory" && Guard == nullptr)
            GTEST_SKIP() << "this process can write into any directory";
        Application().Guarded([&] { Saved = F.Surface.SaveMapSet(F.Target); });
    }
    EXPECT_FALSE(Saved);
    ASSERT_EQ(Messages.Messages().size(), 1u);
    EXPECT_NE(Messages.Messages().front().find(R.Message), std::string::npos)
        << Messages.Messages().front();
    EXPECT_EQ(ReadFile(F.Target), Previous);
    size_t Files = 0;
    for ([[maybe_unused]] const auto& Entry :
         std::filesystem::directory_iterator(F.Dir.Path() + "/locked"))
        ++Files;
    EXPECT_EQ(Files, 1u) << "something was left beside the file";
}

INSTANTIATE_TEST_SUITE_P(Rows, FailedSave, ::testing::ValuesIn(SaveRows()),
                         [](const ::testing::TestParamInfo<SaveRow>& Info) {
                             return Info.param.Id;
                         });

// The place of the file is a directory: the save is refused and the directory keeps its
// contents.
TEST(FailedSaveOntoADirectory, IsReportedAndTheDirectoryStays) {
    Fixture F;
    F.Surface.SetColorPalette(&F.Palette);
    AddNamedZones(F, {"A"});
    const std::string Target = F.Dir.File("map.mapset");
    std::filesystem::create_directory(Target);
    WriteFile(Target + "/inside", Previous);
    MessageCapture Messages;
    Application().Guarded([&] { F.Surface.SaveMapSet(Target); });
    ASSERT_EQ(Messages.Messages().size(), 1u);
    EXPECT_NE(Messages.Messages().front().find("Cannot"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(Target));
    EXPECT_EQ(ReadFile(Target + "/inside"), Previous);
}

} // namespace
