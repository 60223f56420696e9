// txl_bench [case name ...]: runs every benchmark case, or those named. A name may be the start
// of several ("exchange:" runs every import and export case).

#include "bench/Harness.h"

#include <QApplication>

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char **argv) {
    // The window cases need widgets; without a display they draw off screen.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int ran = 0;
    for (const auto &c : txl::bench::registry()) {
        bool wanted = argc < 2;
        for (int i = 1; i < argc; ++i)
            wanted = wanted || c.name.starts_with(argv[i]);
        if (!wanted)
            continue;
        std::printf("%s\n", c.name.c_str());
        try {
            c.run();
        } catch (const std::exception &e) {
            std::fprintf(stderr, "%s failed: %s\n", c.name.c_str(), e.what());
            return 1;
        }
        std::printf("\n");
        std::fflush(stdout);
        ++ran;
    }
    if (ran == 0) {
        std::fprintf(stderr, "no benchmark case matched\n");
        return 1;
    }
    return 0;
}
