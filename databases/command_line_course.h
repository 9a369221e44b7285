// Opening a course's bank by its name from the command line, with the checks
// the main window makes: the course must be in the course list, and a course
// with a password needs it.
#pragma once

#include <string>

#include "recfile/record_file_engine.h"

namespace databases {

// Opens "课程库" and "题型库" in `dataDir` (the type library is created with
// its default types when missing, as at the program's start) and the bank of
// `course` with `password`.
// Returns an empty text when the bank is open, otherwise why it is not.
// `position` (when given) gets the course's place in the course list.
std::string OpenCourseForCommand(recfile::RecordFileEngine& engine, const std::string& dataDir,
                                 const std::string& course, const std::string& password,
                                 int* position = nullptr);

}  // namespace databases
