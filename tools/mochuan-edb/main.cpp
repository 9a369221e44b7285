#include <iostream>

#include "tools/mochuan-edb/commands.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return edb::Run(args, std::cout, std::cerr);
}
