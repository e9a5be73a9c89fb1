#include "mapcheck/FileChecks.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

struct TTextCase {
    const char* Name;
    std::string Text;
    std::vector<std::string> Findings; // FormatFinding of each, in order
};

class MapSetText : public ::testing::TestWithParam<TTextCase> {};

TEST_P(MapSetText, ReportsWhatTheReaderWouldSkipOrChange) {
    std::vector<std::string> Lines;
    for (const TFinding& F : CheckMapSetText(GetParam().Text))
        Lines.push_back(FormatFinding(F));
    EXPECT_EQ(Lines, GetParam().Findings);
}

const std::string Zone = "Zone=0,0,4,0,4,4,;A;0;\r\n";
const std::string Ignored = ": the reader ignores the line";

INSTANTIATE_TEST_SUITE_P(
    Rows, MapSetText,
    ::testing::Values(
        // What the editor writes, with blank lines, LF and CR endings and keys without "=".
        TTextCase{"Clean",
                  "Bitmap=hills.bmp\r\nElement=HILLS.BMP:-5,16777216\r\n\r\n  \n" + Zone +
                      "Zone\rLink=0,0",
                  {}},
        TTextCase{"ByteOrderMark",
                  "\xEF\xBB\xBF"
                  "Bitmap=hills.bmp\r\nElement=hills.bmp:0,0\r\n" +
                      Zone,
                  {"ignored-line: line 1: starts with a UTF-8 byte-order mark, which hides its "
                   "key \"Bitmap\"" +
                       Ignored,
                   "unknown-bitmap: line 2: the element names bitmap \"hills.bmp\", which no "
                   "Bitmap line above it loads; line 1 would, but its byte-order mark hides it"}},
        TTextCase{
            "UnknownKeys",
            "bitmap=x.bmp\r\n Zone=1\r\nColour=5\r\n\x01\x7F=\r\n" + Zone + std::string(60, 'Q'),
            {"ignored-line: line 1: unknown key \"bitmap\" (keys are exact: \"Bitmap\")" + Ignored,
             "ignored-line: line 2: unknown key \" Zone\" (keys are exact: \"Zone\")" + Ignored,
             "ignored-line: line 3: unknown key \"Colour\"" + Ignored,
             "ignored-line: line 4: holds bytes that are not text" + Ignored,
             "ignored-line: line 6: unknown key \"" + std::string(40, 'Q') + "...\"" + Ignored}},
        TTextCase{"NulEndsTheText",
                  Zone + "\0Link=0,0\r\n"s,
                  {"ignored-line: line 2: a NUL byte, past which the reader reads nothing: the "
                   "rest of the file (11 bytes) is ignored"}},
        TTextCase{"NulInsideALine",
                  Zone + "Zo\0ne"s,
                  {"ignored-line: line 2: unknown key \"Zo\"" + Ignored,
                   "ignored-line: line 2: a NUL byte, past which the reader reads nothing: the "
                   "rest of the file (3 bytes) is ignored"}},
        TTextCase{"BitmapNames",
                  "Bitmap=hills.bmp \r\nBitmap=a:b.bmp\r\nElement=hills.bmp:0,0\r\n"
                  "Element=a:b.bmp:0,0\r\nElement=dales.bmp:0,0\r\nBitmap=dales.bmp\r\n",
                  {"unknown-bitmap: line 3: the element names bitmap \"hills.bmp\", which no "
                   "Bitmap line above it loads; \"hills.bmp \" differs from it only in spaces",
                   "unknown-bitmap: line 4: the element names bitmap \"a\", which no Bitmap line "
                   "above it loads; the name ends at the first \":\", so bitmap \"a:b.bmp\" "
                   "cannot be placed",
                   "unknown-bitmap: line 5: the element names bitmap \"dales.bmp\", which no "
                   "Bitmap line above it loads; its Bitmap line comes later, on line 6"}},
        TTextCase{"DirectoryParts",
                  "Bitmap=../x.bmp\r\nBitmap=/srv/maps/y.bmp\r\nBitmap=sub\\z.bmp\r\n"
                  "Bitmap=plain.bmp\r\n",
                  {"bitmap-directory-part: line 1: bitmap name \"../x.bmp\" has a directory "
                   "part: it is read from outside the map set's own directory, which a copy of "
                   "the map set elsewhere does not have",
                   "bitmap-directory-part: line 2: bitmap name \"/srv/maps/y.bmp\" has a "
                   "directory part: it is read from outside the map set's own directory, which "
                   "a copy of the map set elsewhere does not have",
                   "bitmap-directory-part: line 3: bitmap name \"sub\\z.bmp\" has a directory "
                   "part: it is read from outside the map set's own directory, which a copy of "
                   "the map set elsewhere does not have"}},
        TTextCase{"PositionsBeyondSingleprecision",
                  "Bitmap=a.bmp\r\nElement=a.bmp:16777217,-16777217\r\n"
                  "Element=a.bmp:16777216,-16777216\r\nElement=a.bmp:0,33554434\r\n"
                  "Element=a.bmp:2147483647,0\r\n",
                  {"element-position: line 2: position (16777217,-16777217) lies beyond "
                   "16,777,216, where positions are held in single precision: x 16777217 is "
                   "saved as 16777216; y -16777217 is saved as -16777216",
                   "element-position: line 4: position (0,33554434) lies beyond 16,777,216, "
                   "where positions are held in single precision: y 33554434 is saved as "
                   "33554432",
                   "element-position: line 5: position (2147483647,0) lies beyond 16,777,216, "
                   "where positions are held in single precision: x 2147483647 stays, but "
                   "positions there move in steps of 256"}},
        TTextCase{"Empty",
                  "",
                  {"empty-map-set: the file holds no Bitmap, Element, Zone or Link line: "
                   "nothing to load"}},
        TTextCase{"AllJunk",
                  "\r\nhello\r\n",
                  {"ignored-line: line 2: unknown key \"hello\"" + Ignored,
                   "empty-map-set: the file holds no Bitmap, Element, Zone or Link line: "
                   "nothing to load"}}),
    [](const auto& Info) { return std::string(Info.param.Name); });

} // namespace
