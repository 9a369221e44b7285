#include "output/paper_request.h"

namespace output {

std::vector<databases::Question> CourseBankSource::SameText1(const std::string& text1,
                                                             std::int64_t exceptId) {
  if (!loaded_) {
    all_.clear();
    loaded_ = bank_.ReadAll(all_);
  }
  std::vector<databases::Question> out;
  for (const databases::Question& q : all_)
    if (q.text1 == text1 && q.id != exceptId) out.push_back(q);
  return out;
}

bool CourseBankSource::ReadPicture(const PictureRef& ref, std::vector<std::uint8_t>& bytes,
                                   std::string& error) {
  bytes = bank_.ReadPicture(ref.recordId, ref.kind);
  if (bank_.lastError().code != 0) {
    error = bank_.lastError().message;
    return false;
  }
  return true;
}

}  // namespace output
