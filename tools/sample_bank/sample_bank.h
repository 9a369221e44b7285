// A course bank full of realistic questions, for trying the program out and
// for measuring it: every question keeps the bank editor's rules, groups
// included, and the same seed always gives the same bank.
#pragma once

#include <string>

#include "recfile/record_file_engine.h"

namespace samples {

// Writes a new bank of `questions` records (group titles included) at `path`
// (extension optional), replacing any bank there, and closes it. A non-empty
// password becomes the bank's access password. On failure returns false with
// a message in *error.
bool WriteSampleBank(recfile::RecordFileEngine& engine, const std::string& path, int questions,
                     unsigned seed, const std::string& password, std::string* error);

}  // namespace samples
