// The program: the Qt application and back end, then the program's run.
#include <QApplication>
#include <exception>
#include <iostream>

#include "app/program.h"
#include "common/encoding.h"
#include "ui/qt/qt_backend.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  ui::qt::QtBackend backend;
  try {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(common::Utf8ToWin1250(argv[i]));
    return app::RunProgram(args);
  } catch (const std::exception& e) {
    std::cerr << "ciselniky: " << e.what() << "\n";
    return 1;
  }
}
