// A course opened the way the main window opens it for "组卷", without a
// screen: the data folder's course library, the course's password, its bank
// read into the compose grid's order, its saved type order and "题型库".
// Every mode of mochuan-paper starts here.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "databases/course_bank.h"
#include "databases/program_databases.h"
#include "recfile/record_file_engine.h"

namespace paper_tool {

class CourseSession {
 public:
  CourseSession() = default;
  CourseSession(const CourseSession&) = delete;
  CourseSession& operator=(const CourseSession&) = delete;

  // False with a one-line reason: no course library in `dataDir`, an unknown
  // course, a wrong password, a bank that cannot be read.
  bool Open(const std::string& dataDir, const std::string& course, const std::string& password,
            std::string& error);

  databases::DatabaseContext db() { return {engine, dataDir}; }
  databases::CourseBank& bank() { return *bank_; }

  recfile::RecordFileEngine engine;
  std::string dataDir;
  std::string course;
  int position = -1;  // in the course list; its record is position + 2
  databases::CourseRecord record;
  // Every question, in the compose grid's order at opening (group order).
  std::vector<databases::Question> questions;
  // The saved order cleaned and extended with the bank's types, as the
  // compose window loads it (it is not stored back from here).
  std::vector<std::string> typeOrder;
  std::vector<databases::QuestionType> types;  // "题型库"

 private:
  std::unique_ptr<databases::CourseBank> bank_;
};

}  // namespace paper_tool
