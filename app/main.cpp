// PLACEHOLDER until the real implementation lands.
#include <QApplication>
#include "app/TForm1.h"
int main(int argc, char** argv) {
  QApplication app(argc, argv);
  TForm1 form(QCoreApplication::applicationDirPath());
  form.FormCreate();
  form.show();
  QObject::connect(&form, &TForm1::closed, &app, &QApplication::quit);
  const int rc = app.exec();
  form.FormDestroy();
  return rc;
}
