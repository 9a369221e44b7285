// A 200-question paper with 40 pictures over a real course bank: the input
// of the output benchmarks (HTML here; the Word and PDF writers measure on
// the same paper).
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "databases/course_bank.h"
#include "databases/program_databases.h"
#include "output/paper_request.h"
#include "recfile/record_file_engine.h"

namespace bench_output {

// A JPEG-sized picture: 24 KB of bytes behind a JPEG signature.
inline recfile::Bytes Picture(int i) {
  recfile::Bytes b(24 * 1024);
  b[0] = 0xFF, b[1] = 0xD8, b[2] = 0xFF;
  for (std::size_t k = 3; k < b.size(); ++k) b[k] = static_cast<std::uint8_t>(k * 7 + i);
  return b;
}

struct Paper200 {
  std::string dir;
  recfile::RecordFileEngine engine;
  std::unique_ptr<databases::CourseBank> bank;
  output::PaperRequest request;

  // 60 choice questions, 80 fill-ins, 10 reading groups of a title and three
  // members (40 rows), 20 essays; every fifth row has a question picture.
  bool Build() {
    const char* base = std::getenv("TMPDIR");
    dir = std::string(base && *base ? base : "/tmp") + "/mc-bench-output-" + std::to_string(::getpid());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const databases::DatabaseContext db{engine, dir};
    if (!databases::OpenCourseLibrary(db).ok ||
        !engine.Append({recfile::Value(std::string("管理员")), recfile::Value(std::string())}) ||
        !databases::CreateCourseBank(db, "样例", "").ok)
      return false;
    if (!engine.IsOpen(db.FullPathOf("样例")) && !engine.Open(db.PathOf("样例")))
      return false;
    bank = std::make_unique<databases::CourseBank>(engine, "样例");
    int pictures = 0;
    auto add = [&](databases::Question q) {
      const bool withPicture = pictures < 40 && request.questions.size() % 5 == 0;
      recfile::Bytes pic;
      if (withPicture) {
        q.pictureMark = "√";
        pic = Picture(pictures++);
      }
      q.id = bank->Append(q, pic);
      request.questions.push_back(q);
      return q.id != 0;
    };
    auto question = [](const std::string& type, int i, int score) {
      databases::Question q;
      q.type = type;
      q.text1 = type + "第" + std::to_string(i) + "题：下列说法中正确的是( )，请说明理由。";
      q.answer = "答案" + std::to_string(i);
      q.score = score;
      q.difficulty = 5;
      return q;
    };
    for (int i = 0; i < 10; ++i) {
      databases::Question t = question("阅读", i, 12);
      t.groupName = "短文" + std::to_string(i);
      t.groupNumber = "0";
      t.answer.clear();
      if (!add(t)) return false;
      for (int m = 1; m <= 3; ++m) {
        databases::Question q = question("阅读", i * 10 + m, 4);
        q.groupName = t.groupName;
        q.groupNumber = std::to_string(m);
        if (!add(q)) return false;
      }
    }
    for (int i = 0; i < 60; ++i) {
      databases::Question q = question("选择", i, 2);
      q.choice = true;
      q.text2 = "氢气\r\n氧气\r\n氮气\r\n二氧化碳";
      q.answer = "氧气";
      if (!add(q)) return false;
    }
    for (int i = 0; i < 80; ++i)
      if (!add(question("填空", i, 1))) return false;
    for (int i = 0; i < 20; ++i) {
      databases::Question q = question("问答", i, 5);
      q.answer = "第一步……\r\n第二步……\r\n结论。";
      if (!add(q)) return false;
    }
    request.course = "样例";
    request.typeOrder = {{"选择", 0, false}, {"填空", 0, false}, {"阅读", 0, true}, {"问答", 0, true}};
    request.typeScores = {{"选择", 120}, {"填空", 80}, {"阅读", 120}, {"问答", 100}};
    request.paperTotal = 420;
    request.selectionStamp = "20261210103000";
    request.generationStamp = "20261210104500";
    request.choices.sectionLabels = {"一", "二", "三", "四", "五", "六", "七", "八", "九"};
    request.choices.sectionScoreNote = true;
    return pictures == 40 && request.questions.size() == 200;
  }

  ~Paper200() {
    bank.reset();
    engine.CloseAll();
    std::error_code ec;
    if (!dir.empty()) std::filesystem::remove_all(dir, ec);
  }
};

}  // namespace bench_output
