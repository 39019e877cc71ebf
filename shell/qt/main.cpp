// korvane: the main window.
#include "TForm1.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Unit1::TForm1 form;
    form.show();
    return app.exec();
}
