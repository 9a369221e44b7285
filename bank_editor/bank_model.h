// The questions of the bank the editor has open, by record id: what the
// grid shows, what the rules, the duplicate check and the group
// bookkeeping read, and the only way the editor writes the bank. Every
// change goes to the bank first and is kept here only once written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "bank_editor/question_rules.h"
#include "databases/course_bank.h"
#include "recfile/record_file_engine.h"

namespace bank_editor {

using databases::Question;
using databases::QuestionChanges;

// The values the rules look at, taken from a question (no copies).
QuestionFacts FactsOf(const Question& q);
std::optional<RuleFailure> CheckQuestionRules(const Question& q);

class BankModel {
 public:
  BankModel(recfile::RecordFileEngine& engine, std::string bankName);

  // Reads every question of the bank afresh; false (lastError set) when
  // the bank cannot be read.
  bool Load();

  // The question with this id; nullptr when the model has none.
  const Question* Find(std::int64_t id) const;
  // The ids in record order.
  const std::vector<std::int64_t>& ids() const { return order_; }
  std::size_t size() const { return order_.size(); }

  // Writes the changes: a single field on its own, several in one record
  // write. False (lastError set, nothing kept) when the bank refused.
  bool Update(std::int64_t id, const QuestionChanges& changes);
  // Changes of several questions, each in one record write, all or
  // nothing.
  bool UpdateMany(const std::vector<std::pair<std::int64_t, QuestionChanges>>& changes);
  // Appends a question (its id ignored) with its pictures; the new id, or 0.
  std::int64_t Append(const Question& q, const recfile::Bytes& picture = {},
                      const recfile::Bytes& answerPicture = {});
  // Marks a question deleted; Pack then frees its record.
  bool Delete(std::int64_t id);
  bool Pack();
  // Questions written to the bank by someone else (an import): kept as
  // given, their ids already set.
  void Adopt(std::vector<Question> written);
  // Changes someone else has written to the bank already.
  void Reflect(std::int64_t id, const QuestionChanges& changes) { Apply(id, changes); }

  recfile::Bytes ReadPicture(std::int64_t id, databases::PictureKind kind);

  // Another question with the same content (题文1 followed by 题文2, and
  // 答案); 0 when none.
  std::int64_t FindDuplicate(std::int64_t id) const;

  databases::CourseBank& bank() { return bank_; }
  const databases::DbError& lastError() const { return bank_.lastError(); }

 private:
  using Key = std::uint64_t;
  static Key KeyOf(const Question& q);
  // The index is built at the first look-up, so opening a bank does not
  // wait for it; from then on every change keeps it up to date.
  void BuildIndex() const;
  void Index(const Question& q) const;
  void Unindex(const Question& q) const;
  // Applies written changes to the kept question.
  void Apply(std::int64_t id, const QuestionChanges& changes);

  databases::CourseBank bank_;
  std::unordered_map<std::int64_t, Question> questions_;
  std::vector<std::int64_t> order_;
  // Content hash → ids; equal hashes are compared in full.
  mutable std::unordered_multimap<Key, std::int64_t> index_;
  mutable bool indexed_ = false;
};

}  // namespace bank_editor
