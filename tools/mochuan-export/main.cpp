#include <iostream>

#include "tools/mochuan-export/export_command.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return export_tool::ExportCommand(args, std::cout, std::cerr);
}
