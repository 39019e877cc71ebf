// korvane: the main window. An optional argument names a scan to open at start, as if it had
// been chosen in the open dialog.
#include "TForm1.h"
#include "Unit1.h"
#include "WindowConsole.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Algemeen::StdoutConsole standardOutput;
    Unit1::WindowConsole console(standardOutput);
    Algemeen::InstallConsole(&console);
    Unit1::TForm1 form;
    form.show();
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) {
        const std::string scan = arguments.at(1).toStdString();
        form.chooseFile = [scan] { return std::optional<std::string>(scan); };
        Unit1::Open1Click(form);
        form.chooseFile = nullptr;
    }
    const int status = app.exec();
    Algemeen::InstallConsole(nullptr);
    return status;
}
