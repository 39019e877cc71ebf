// The window's Open of a picture as a person waits for it: from File > Open (the file chosen) until
// the picture with its cards found is painted, in the real main window on the offscreen platform.
// Prints one line per run in milliseconds; bench/open.sh sets it beside korvane-cli's read of the
// same file.
//   OpenBench PICTURE [RUNS]
#include "TForm1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: OpenBench PICTURE [RUNS]\n");
        return 2;
    }
    const std::string picture = argv[1];
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    Algemeen::NullConsole console;
    Algemeen::SystemClock clock;
    Unit1::TForm1 form(console, clock, "ibmkaart.txt");
    form.resize(1280, 800);
    form.show();
    QApplication::processEvents();
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        form.OpenFile(picture);
        form.repaint(); // the picture painted, its cards' outlines on it
        QApplication::processEvents();
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        if (!form.ReadAll()->isEnabled()) {
            std::fprintf(stderr, "OpenBench: %s: no card found\n", picture.c_str());
            return 1;
        }
        std::printf("open %.1f ms\n", ms);
    }
    return 0;
}
