// A `PaperSource` over questions and pictures held in memory: for tests,
// benchmarks and callers that have read the bank already.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "output/paper_request.h"

namespace output {

class MemoryPaperSource : public PaperSource {
 public:
  MemoryPaperSource() = default;
  explicit MemoryPaperSource(std::vector<databases::Question> bank) : bank_(std::move(bank)) {}

  void SetBank(std::vector<databases::Question> bank) { bank_ = std::move(bank); }
  void SetPicture(std::int64_t id, databases::PictureKind kind, std::vector<std::uint8_t> bytes) {
    pictures_[{id, static_cast<int>(kind)}] = std::move(bytes);
  }

  std::vector<databases::Question> SameText1(const std::string& text1,
                                             std::int64_t exceptId) override {
    std::vector<databases::Question> out;
    for (const databases::Question& q : bank_)
      if (q.text1 == text1 && q.id != exceptId) out.push_back(q);
    return out;
  }

  // A picture never stored reads as empty, as an empty byte-set field does.
  bool ReadPicture(const PictureRef& ref, std::vector<std::uint8_t>& bytes,
                   std::string&) override {
    const auto it = pictures_.find({ref.recordId, static_cast<int>(ref.kind)});
    if (it == pictures_.end()) bytes.clear();
    else bytes = it->second;
    return true;
  }

 private:
  std::vector<databases::Question> bank_;
  std::map<std::pair<std::int64_t, int>, std::vector<std::uint8_t>> pictures_;
};

}  // namespace output
