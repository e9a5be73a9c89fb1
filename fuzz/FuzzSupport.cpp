#include "FuzzSupport.h"

#include "platform/Application.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

void FuzzInitApplication() {
    static QApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "fuzz";
        static char* argv[] = {name, nullptr};
        auto* created = new QApplication(argc, argv);
        Application().SetMessageHook([](const std::string&, const std::string&) {});
        return created;
    }();
    (void)app;
}

std::vector<std::string> FuzzLines(const uint8_t* Data, size_t Size) {
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < Size; ++i) {
        const char c = char(Data[i]);
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < Size && Data[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

void FuzzFail(const std::string& What) {
    std::fprintf(stderr, "property broken: %s\n", What.c_str());
    std::abort();
}
