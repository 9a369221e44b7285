#include <iostream>

#include "tools/mochuan-import/import_command.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return import_tool::ImportCommand(args, std::cout, std::cerr);
}
