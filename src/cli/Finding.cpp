#include "cli/Finding.h"

#include <cstdio>

namespace {

std::string ZoneText(const TZoneRef& Zone) {
    return std::to_string(Zone.Number) + " \"" + Zone.Name + "\"";
}

std::string ZoneList(const std::vector<TZoneRef>& Zones) {
    std::string Text = Zones.size() == 1 ? "zone " : "zones ";
    for (size_t I = 0; I < Zones.size(); ++I) {
        if (I > 0)
            Text += I + 1 == Zones.size() ? " and " : ", ";
        Text += ZoneText(Zones[I]);
    }
    return Text;
}

} // namespace

std::string FormatFinding(const TFinding& Finding) {
    std::string Text = Finding.Kind + ": ";
    if (Finding.Line > 0)
        Text += "line " + std::to_string(Finding.Line) + ": ";
    if (Finding.Element >= 0)
        Text += "element " + std::to_string(Finding.Element) + " \"" + Finding.Bitmap + "\": ";
    if (!Finding.Zones.empty())
        Text += ZoneList(Finding.Zones) + ": ";
    return Text + Finding.Message;
}

std::string JsonString(const std::string& Text, bool Latin1) {
    std::string Out = "\"";
    for (const char C : Text) {
        const auto Byte = static_cast<unsigned char>(C);
        switch (C) {
        case '"':
            Out += "\\\"";
            break;
        case '\\':
            Out += "\\\\";
            break;
        case '\n':
            Out += "\\n";
            break;
        case '\r':
            Out += "\\r";
            break;
        case '\t':
            Out += "\\t";
            break;
        default:
            if (Byte < 0x20) {
                char Escape[8];
                std::snprintf(Escape, sizeof Escape, "\\u%04x", unsigned(Byte));
                Out += Escape;
            } else if (Byte >= 0x80 && Latin1) {
                Out += char(0xC0 | (Byte >> 6));
                Out += char(0x80 | (Byte & 0x3F));
            } else {
                Out += C;
            }
        }
    }
    return Out + "\"";
}

void WriteFindingsJson(std::ostream& Out, const std::string& FileName, int32_t ZoneCount,
                       int Status, const std::vector<TFinding>& Findings) {
    Out << "{\n  \"file\": " << JsonString(FileName, false) << ",\n  \"status\": " << Status
        << ",\n  \"zoneCount\": " << ZoneCount << ",\n  \"findings\": [";
    for (size_t I = 0; I < Findings.size(); ++I) {
        const TFinding& F = Findings[I];
        Out << (I == 0 ? "\n" : ",\n") << "    {\"kind\": " << JsonString(F.Kind)
            << ", \"message\": " << JsonString(F.Message);
        if (F.Line > 0)
            Out << ", \"line\": " << F.Line;
        if (F.Element >= 0)
            Out << ", \"element\": {\"index\": " << F.Element
                << ", \"bitmap\": " << JsonString(F.Bitmap) << "}";
        Out << ", \"zones\": [";
        for (size_t K = 0; K < F.Zones.size(); ++K)
            Out << (K == 0 ? "" : ", ") << "{\"number\": " << F.Zones[K].Number
                << ", \"name\": " << JsonString(F.Zones[K].Name) << "}";
        Out << "]}";
    }
    Out << (Findings.empty() ? "]\n}\n" : "\n  ]\n}\n");
}
