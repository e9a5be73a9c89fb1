// zonewright-cli: checks, lists, searches, rewrites and draws map sets without a display.
#include "cli/Commands.h"
#include "cli/StandardOutput.h"

#include <QApplication>

#include <csignal>
#include <iostream>

namespace {

// Qt's own notes (a missing runtime directory, font fallbacks) are not the tool's output;
// only its serious errors are kept.
void QtMessages(QtMsgType Type, const QMessageLogContext&, const QString& Text) {
    if (Type == QtCriticalMsg || Type == QtFatalMsg)
        std::cerr << Text.toLocal8Bit().constData() << std::endl;
}

} // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(QtMessages);
    // The surface is a widget and labels need fonts, so a QApplication is needed, but never
    // a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    std::vector<std::string> Arguments;
    for (int I = 1; I < argc; ++I)
        Arguments.emplace_back(argv[I]);
    // A closed pipe is a failed write to report, not a signal that ends the tool unheard.
    std::signal(SIGPIPE, SIG_IGN);
    TDescriptorBuffer OutBuffer(1);
    std::ostream Out(&OutBuffer);
    return RunCli(Arguments, Out, std::cerr);
}
