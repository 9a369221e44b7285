// Small papers built in memory for the output tests.
#pragma once

#include <string>
#include <vector>

#include "databases/course_bank.h"
#include "output/memory_source.h"
#include "output/paper_request.h"

namespace mc::testing {

inline databases::Question Single(std::int64_t id, const std::string& type, const std::string& text1,
                                  int score = 5, const std::string& answer = "答") {
  databases::Question q;
  q.id = id;
  q.type = type;
  q.text1 = text1;
  q.answer = answer;
  q.score = score;
  q.difficulty = 5;
  return q;
}

inline databases::Question Choice(std::int64_t id, const std::string& type, const std::string& text1,
                                  const std::string& options, const std::string& answer,
                                  int score = 5) {
  databases::Question q = Single(id, type, text1, score, answer);
  q.text2 = options;
  q.choice = true;
  return q;
}

inline databases::Question Title(std::int64_t id, const std::string& type, const std::string& group,
                                 const std::string& text1, int score) {
  databases::Question q = Single(id, type, text1, score, "");
  q.groupName = group;
  q.groupNumber = "0";
  return q;
}

inline databases::Question Member(std::int64_t id, const std::string& type, const std::string& group,
                                  int number, const std::string& text1, int score = 5) {
  databases::Question q = Single(id, type, text1, score, "答" + text1);
  q.groupName = group;
  q.groupNumber = std::to_string(number);
  return q;
}

// A request over `questions` with the types in the order given, the
// 大写 labels and fixed stamps.
inline output::PaperRequest Request(std::vector<databases::Question> questions,
                                    std::vector<std::string> typeOrder,
                                    output::Paper paper = output::Paper::A) {
  output::PaperRequest r;
  r.course = "物理";
  r.paper = paper;
  r.questions = std::move(questions);
  for (const std::string& t : typeOrder) {
    r.typeOrder.push_back({t, 0, false});
    int sum = 0;
    for (const auto& q : r.questions)
      if (q.type == t && q.countsAsOne()) sum += q.score;
    if (sum > 0) {
      r.typeScores.push_back({t, sum});
      r.paperTotal += sum;
    }
  }
  r.similarity = 0;
  r.selectionStamp = "20261210103000";
  r.generationStamp = "20261210104500";
  r.choices.sectionLabels = {"一", "二", "三", "四", "五", "六", "七", "八", "九"};
  return r;
}

}  // namespace mc::testing
