// mochuan-paper's paper mode: paper A or B of a saved plan, with its answers,
// as a fresh start of the program would generate it.
#pragma once

#include <string>
#include <vector>

#include "compose/paper_plan.h"
#include "output/paper_request.h"
#include "tools/mochuan-paper/course_session.h"

namespace paper_tool {

// The request the compose window would build for `paper` after opening the
// plan on a fresh start: the plan's usable ids ticked, scores summed in the
// type order, the numbering type and options of the plan. False with a
// one-line reason when the plan cannot give that paper. `leftOut` counts the
// plan's ids of either paper that can no longer be selected.
bool RequestFromPlan(CourseSession& session, const compose::PaperPlan& plan, output::Paper paper,
                     const std::string& generationStamp, output::PaperRequest& out,
                     int& leftOut, std::string& error);

// args without the program name.
int RunPaperMode(const std::vector<std::string>& args);

}  // namespace paper_tool
