// Velquist: the main window starts the program; its closing ends it.
#include <QApplication>

#include "session/session.h"
#include "mainwindow/form1.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Velquist"));
  // Only the main window's confirmed closing ends the program.
  QApplication::setQuitOnLastWindowClosed(false);

  vq::Session state;
  vq::Form1 form1(state);
  QObject::connect(&form1, &vq::Form1::programEnded, &app, &QCoreApplication::quit, Qt::QueuedConnection);
  form1.Form_Load();
  return app.exec();
}
