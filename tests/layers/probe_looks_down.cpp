// Built with the databases layer's include path: the layers below it are in
// reach.
#include "databases/course_bank.h"
#include "databases/program_databases.h"
#include "recfile/record_file_engine.h"
#include "text/text.h"

int layer_probe_looks_down() { return databases::kQuestionFieldCount; }
