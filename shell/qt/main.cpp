// korvane: the main window. An optional argument names a scan to open at start, as if it had
// been chosen in the open dialog; two name the front and the back of a pair (as their names say,
// else in that order), opened as File > Open pair opens them.
#include "CodeTablePath.h"
#include "SideFusion.h"
#include "TForm1.h"
#include "Unit1.h"
#include "WindowConsole.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Korvane");
    QApplication::setApplicationName("korvane");
    QApplication::setApplicationVersion(KORVANE_VERSION);
    QApplication::setWindowIcon(QIcon(":/korvane.png"));
    Algemeen::StdoutConsole standardOutput;
    Unit1::WindowConsole console(standardOutput);
    Algemeen::SystemClock clock;
    // The current directory's code table wins; without one the installed table is used, and named.
    const std::string table = Unit1::FindCodeTable(Unit1::RunningProgramPath());
    if (table != Unit1::kLocalCodeTable)
        console.Line("Code table: " + table);
    Unit1::TForm1 form(console, clock, table);
    form.show();
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 2) {
        const auto [front, back] =
            Unit1::FrontAndBack(arguments.at(1).toStdString(), arguments.at(2).toStdString());
        form.OpenPair(front, back);
    } else if (arguments.size() > 1) {
        form.OpenFile(arguments.at(1).toStdString());
    }
    return app.exec();
}
