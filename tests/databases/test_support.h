// Shared pieces of the database tests: a fresh temporary folder and the
// results the operations return.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "tests/support/database_result.h"
#include "tests/support/temp_dir.h"

namespace databases::testing {

using mc::testing::Done;
using mc::testing::Ended;
using mc::testing::Failed;
using mc::testing::ReadFileBytes;
using mc::testing::Succeeded;
using mc::testing::TempDir;
using mc::testing::WriteFileBytes;

}  // namespace databases::testing
