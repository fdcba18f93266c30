// A stand-in for Movarin in the test of its death: runs one command line
// through the console runner, as Movarin's driver does, prints what the child
// writes, one delivery a line, and exits with the child's exit code.
#include <QCoreApplication>

#include <cstdio>

#include "runner/ConsoleRunner.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: runner_parent_helper COMMAND-LINE\n");
        return 2;
    }
    TConsoleRunner runner(nullptr, nullptr);
    runner.CommandLine = argv[1];
    runner.OnNewLine = [](TConsoleRunner*, const std::string& line, TOutputType) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    };
    runner.OnTerminated = [&app](TConsoleRunner*, std::uint32_t code) {
        QMetaObject::invokeMethod(&app, [code] { QCoreApplication::exit(int(code)); },
                                  Qt::QueuedConnection);
    };
    runner.Start();
    return app.exec();
}
