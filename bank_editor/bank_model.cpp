#include "bank_editor/bank_model.h"

#include <algorithm>

namespace bank_editor {

QuestionFacts FactsOf(const Question& q) {
  return {q.groupNumber, q.text1, q.pictureMark, q.text2, q.answer, q.answerPictureMark, q.type,
          q.score,       q.choice};
}

std::optional<RuleFailure> CheckQuestionRules(const Question& q) {
  return CheckQuestionRules(FactsOf(q));
}

namespace {

// How many fields the changes set.
int FieldCount(const QuestionChanges& c) {
  return !!c.knowledgePoints + !!c.groupName + !!c.groupNumber + !!c.text1 + !!c.pictureMark +
         !!c.text2 + !!c.answer + !!c.answerPictureMark + !!c.type + !!c.difficulty + !!c.score +
         !!c.choice + !!c.fixedScore + !!c.masked + !!c.pictureData + !!c.answerPictureData;
}

// FNV-1a, fed piece by piece, so "AB" + "C" and "A" + "BC" hash alike.
struct Hash {
  std::uint64_t value = 1469598103934665603ULL;
  void Feed(std::string_view s) {
    for (const char c : s) {
      value ^= static_cast<unsigned char>(c);
      value *= 1099511628211ULL;
    }
  }
};

}  // namespace

BankModel::BankModel(recfile::RecordFileEngine& engine, std::string bankName)
    : bank_(engine, std::move(bankName)) {}

bool BankModel::Load() {
  std::vector<Question> all;
  questions_.clear();
  order_.clear();
  index_.clear();
  indexed_ = false;
  if (!bank_.ReadAll(all)) return false;
  questions_.reserve(all.size());
  order_.reserve(all.size());
  Adopt(std::move(all));
  return true;
}

const Question* BankModel::Find(std::int64_t id) const {
  const auto it = questions_.find(id);
  return it == questions_.end() ? nullptr : &it->second;
}

BankModel::Key BankModel::KeyOf(const Question& q) {
  Hash h;
  h.Feed(q.text1);
  h.Feed(q.text2);
  // The length of the joined texts keeps the answer apart from them.
  const std::string length = ":" + std::to_string(q.text1.size() + q.text2.size()) + ":";
  h.Feed(length);
  h.Feed(q.answer);
  return h.value;
}

void BankModel::BuildIndex() const {
  if (indexed_) return;
  index_.reserve(questions_.size());
  for (const auto& [id, q] : questions_) index_.emplace(KeyOf(q), id);
  indexed_ = true;
}

void BankModel::Index(const Question& q) const {
  if (indexed_) index_.emplace(KeyOf(q), q.id);
}

void BankModel::Unindex(const Question& q) const {
  if (!indexed_) return;
  auto [first, last] = index_.equal_range(KeyOf(q));
  for (auto it = first; it != last; ++it) {
    if (it->second == q.id) {
      index_.erase(it);
      return;
    }
  }
}

std::int64_t BankModel::FindDuplicate(std::int64_t id) const {
  const Question* q = Find(id);
  if (!q) return 0;
  BuildIndex();
  auto [first, last] = index_.equal_range(KeyOf(*q));
  for (auto it = first; it != last; ++it) {
    if (it->second == id) continue;
    const Question& other = questions_.at(it->second);
    if (SameQuestionContent(q->text1, q->text2, q->answer, other.text1, other.text2, other.answer))
      return other.id;
  }
  return 0;
}

void BankModel::Apply(std::int64_t id, const QuestionChanges& c) {
  Question& q = questions_.at(id);
  const bool content = c.text1 || c.text2 || c.answer;
  if (content) Unindex(q);
  const auto set = [](auto& field, const auto& value) {
    if (value) field = *value;
  };
  set(q.knowledgePoints, c.knowledgePoints);
  set(q.groupName, c.groupName);
  set(q.groupNumber, c.groupNumber);
  set(q.text1, c.text1);
  set(q.pictureMark, c.pictureMark);
  set(q.text2, c.text2);
  set(q.answer, c.answer);
  set(q.answerPictureMark, c.answerPictureMark);
  set(q.type, c.type);
  set(q.difficulty, c.difficulty);
  set(q.score, c.score);
  set(q.choice, c.choice);
  set(q.fixedScore, c.fixedScore);
  set(q.masked, c.masked);
  if (content) Index(q);
}

bool BankModel::Update(std::int64_t id, const QuestionChanges& changes) {
  const auto mode = FieldCount(changes) == 1 ? databases::WriteMode::FieldByField
                                             : databases::WriteMode::WholeRecord;
  if (!bank_.Update(id, changes, mode)) return false;
  Apply(id, changes);
  return true;
}

bool BankModel::UpdateMany(const std::vector<std::pair<std::int64_t, QuestionChanges>>& changes) {
  if (!bank_.UpdateMany(changes, databases::WriteMode::WholeRecord)) return false;
  for (const auto& [id, change] : changes) Apply(id, change);
  return true;
}

std::int64_t BankModel::Append(const Question& q, const recfile::Bytes& picture,
                               const recfile::Bytes& answerPicture) {
  const std::int64_t id = bank_.Append(q, picture, answerPicture);
  if (id == 0) return 0;
  Question kept = q;
  kept.id = id;
  Adopt({std::move(kept)});
  return id;
}

void BankModel::Adopt(std::vector<Question> written) {
  for (Question& q : written) {
    const std::int64_t id = q.id;
    order_.push_back(id);
    Index(questions_.insert_or_assign(id, std::move(q)).first->second);
  }
}

bool BankModel::Delete(std::int64_t id) {
  if (!bank_.Delete(id)) return false;
  if (const auto it = questions_.find(id); it != questions_.end()) {
    Unindex(it->second);
    questions_.erase(it);
  }
  order_.erase(std::remove(order_.begin(), order_.end(), id), order_.end());
  return true;
}

bool BankModel::Pack() { return bank_.Pack(); }

recfile::Bytes BankModel::ReadPicture(std::int64_t id, databases::PictureKind kind) {
  return bank_.ReadPicture(id, kind);
}

}  // namespace bank_editor
