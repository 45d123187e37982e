#include <QApplication>

#include "app/environment.h"
#include "app/mainwindow.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    orvr::TForm1 form(orvr::Environment::Real());
    form.Create();
    form.show();
    return app.exec();
}
