#pragma once

#include "platform/Bitmap.h"

#include <QProcess>
#include <QStringList>

#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// What a run of the built tool gave.
struct TToolRun {
    int Status = -1;
    std::string Out;
    std::string Err;
};

// Runs zonewright-cli with the arguments and waits for it.
inline TToolRun RunTool(const std::vector<std::string>& Arguments) {
    QStringList List;
    for (const std::string& A : Arguments)
        List << QString::fromStdString(A);
    QProcess Process;
    Process.start(QStringLiteral(ZW_CLI_PATH), List);
    TToolRun Run;
    if (!Process.waitForFinished(240000))
        return Run;
    Run.Status = Process.exitStatus() == QProcess::NormalExit ? Process.exitCode() : -1;
    Run.Out = Process.readAllStandardOutput().toStdString();
    Run.Err = Process.readAllStandardError().toStdString();
    return Run;
}

// Runs zonewright-cli with the arguments passed as the bytes they are (QProcess takes them
// through QString, which loses bytes that are not UTF-8), standard output on OutFd;
// standard error is collected through the file ErrPath.
inline TToolRun RunToolOnto(int OutFd, const std::vector<std::string>& Arguments,
                            const std::string& ErrPath) {
    std::vector<std::string> Words{ZW_CLI_PATH};
    Words.insert(Words.end(), Arguments.begin(), Arguments.end());
    std::vector<char*> Argv;
    for (std::string& W : Words)
        Argv.push_back(W.data());
    Argv.push_back(nullptr);
    const int ErrFd = open(ErrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    TToolRun Run;
    const pid_t Child = fork();
    if (Child == 0) {
        dup2(OutFd, 1);
        dup2(ErrFd, 2);
        execv(Argv[0], Argv.data());
        _exit(127);
    }
    close(ErrFd);
    int Status = 0;
    if (Child > 0 && waitpid(Child, &Status, 0) == Child && WIFEXITED(Status))
        Run.Status = WEXITSTATUS(Status);
    std::ifstream Err(ErrPath, std::ios::binary);
    Run.Err.assign(std::istreambuf_iterator<char>(Err), {});
    return Run;
}

// Map-set lines written as the editor writes them, CR LF after each.
inline void WriteMapSet(const std::string& Path, const std::vector<std::string>& Lines) {
    std::ofstream File(Path, std::ios::binary);
    for (const std::string& L : Lines)
        File << L << "\r\n";
}

inline std::string ReadFile(const std::string& Path) {
    std::ifstream File(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(File), {});
}

// An 8-bit bitmap of one colour: palette entry Index is (R, G, B), every other entry grey.
inline void WriteBitmap(const std::string& Path, int32_t Width, int32_t Height, uint8_t Index,
                        uint8_t R, uint8_t G, uint8_t B) {
    TBitmap Image;
    Image.SetPixelFormat(TPixelFormat::pf8bit);
    std::vector<TRGBQuad> Palette(256);
    for (int I = 0; I < 256; ++I)
        Palette[size_t(I)] = {uint8_t(I), uint8_t(I), uint8_t(I), 0};
    Palette[Index] = {B, G, R, 0};
    Image.SetPalette(Palette);
    Image.SetSize(Width, Height);
    for (int32_t Y = 0; Y < Height; ++Y)
        std::fill(Image.ScanLine(Y), Image.ScanLine(Y) + Width, Index);
    Image.SaveToFile(Path);
}

// A zone line of a rectangle, corners clockwise from the top left.
inline std::string RectZone(int X1, int Y1, int X2, int Y2, const std::string& Name, int Sea = 0) {
    const auto N = [](int V) { return std::to_string(V); };
    return "Zone=" + N(X1) + "," + N(Y1) + "," + N(X2) + "," + N(Y1) + "," + N(X2) + "," + N(Y2) +
           "," + N(X1) + "," + N(Y2) + ",;" + Name + ";" + N(Sea) + ";";
}

// The editor's standard zones (bricks of S x S, odd rows shifted by S/2), Rows x Columns
// of them named Sea1, Sea2, ..., over Tiles x Tiles copies of one bitmap covering them.
inline std::vector<std::string> BrickMap(int Rows, int Columns, int S, int TileSize) {
    std::vector<std::string> Lines{"Bitmap=tile.bmp"};
    const int Width = Columns * S + S / 2;
    const int Height = Rows * S;
    for (int Y = 0; Y < Height; Y += TileSize)
        for (int X = 0; X < Width; X += TileSize)
            Lines.push_back("Element=tile.bmp:" + std::to_string(X) + "," + std::to_string(Y));
    int Number = 0;
    for (int Row = 0; Row < Rows; ++Row)
        for (int Col = 0; Col < Columns; ++Col) {
            const int Top = Row * S;
            const int Left = Col * S + (Row % 2 == 1 ? S / 2 : 0);
            std::string Z = "Zone=";
            const int P[6][2] = {{Left, Top},         {Left + S / 2, Top},     {Left + S, Top},
                                 {Left + S, Top + S}, {Left + S / 2, Top + S}, {Left, Top + S}};
            for (const auto& Pt : P)
                Z += std::to_string(Pt[0]) + "," + std::to_string(Pt[1]) + ",";
            Lines.push_back(Z + ";Sea" + std::to_string(++Number) + ";1;");
        }
    return Lines;
}
