// A data folder to try the program on: an administrator and one course
// whose bank holds sample questions, made fresh in a folder of its own.
#pragma once

#include <string>

#include "recfile/record_file_engine.h"

namespace program {

// The administrator of a demonstration folder (shown in the README).
inline constexpr const char* kDemoAdministrator = "管理员";
inline constexpr const char* kDemoAdministratorPassword = "123456";
inline constexpr const char* kDemoCourse = "示例课程";
inline constexpr int kDemoQuestions = 60;

// Makes a new folder under `parent` (created when missing) and fills it as
// the first-run dialog and the course dialog would: the administrator, the
// question-type library, and the demonstration course with its sample bank.
// Returns the folder; on failure an empty string and a message in *error.
std::string MakeDemoDataDirectory(recfile::RecordFileEngine& engine, const std::string& parent,
                                  std::string* error);

}  // namespace program
