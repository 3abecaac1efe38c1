#include <QApplication>

#include "app/dialogs.h"
#include "app/icon_resources.h"
#include "app/main_unit.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Vantorel");
  QApplication::setWindowIcon(vantorel::ApplicationIcon());

  vantorel::QtDialogs dialogs;
  TMainForm mainForm(dialogs);
  mainForm.showMaximized();
  return app.exec();
}
