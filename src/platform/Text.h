#pragma once

#include <QString>

#include <string>

// The two places where the program's 8-bit text meets Qt's Unicode strings.
//
// File names are the system's bytes: on Linux a name is a byte string, nearly always
// UTF-8 but not necessarily, so it goes to Qt's file classes through the locale's file
// name codec and comes back the same way, never through a Latin-1 or UTF-8 conversion.
QString QtFileName(const std::string& Name);
std::string FileNameBytes(const QString& Name);

// Text shown to a person (lists, edits, captions, message boxes, JSON): bytes that are
// valid UTF-8 are shown as UTF-8, any other bytes as Latin-1, so every byte shows as
// something and nothing is lost. Text the person types is stored as UTF-8.
QString ShownText(const std::string& Bytes);
std::string TypedText(const QString& Text);

// Text as a canvas draws it: ShownText cut after MaxDrawnCharacters characters. Drawing
// costs by the length of the text (shaping, a mask as wide as the text), and no view shows
// more of a label, so a name of a megabyte costs what one of a few hundred characters does.
constexpr qsizetype MaxDrawnCharacters = 256;
QString DrawnText(const std::string& Bytes);
