#include "bank_editor/pictures/picture_commands.h"

#include <vector>

#include "bank_editor/pictures/picture_codec.h"
#include "bank_editor/pictures/picture_windows.h"
#include "databases/course_bank.h"
#include "databases/program_databases.h"
#include "ui/host.h"

namespace bank_editor::pictures {

namespace {

databases::PictureKind KindOf(PictureSlot slot) {
  return slot == PictureSlot::Question ? databases::PictureKind::Question
                                       : databases::PictureKind::Answer;
}

// Marker and bytes in one record write.
bool WriteSlot(databases::CourseBank& bank, std::int64_t recordId, PictureSlot slot,
               std::string marker, const Bytes& bytes) {
  databases::QuestionChanges c;
  if (slot == PictureSlot::Question) {
    c.pictureMark = std::move(marker);
    c.pictureData = bytes;
  } else {
    c.answerPictureMark = std::move(marker);
    c.answerPictureData = bytes;
  }
  return bank.Update(recordId, c, databases::WriteMode::WholeRecord);
}

}  // namespace

std::optional<PictureSlot> SlotOfColumn(int column) {
  if (column == kQuestionPictureColumn) return PictureSlot::Question;
  if (column == kAnswerPictureColumn) return PictureSlot::Answer;
  return std::nullopt;
}

const char* SlotHeading(PictureSlot slot) {
  return databases::kQuestionFieldNames[MarkerField(slot) - 1];
}

int MarkerField(PictureSlot slot) {
  return slot == PictureSlot::Question ? databases::kQuestionPicture : databases::kAnswerPicture;
}

int DataField(PictureSlot slot) {
  return slot == PictureSlot::Question ? databases::kQuestionPictureData : databases::kAnswerPictureData;
}

Bytes ReadPicture(recfile::RecordFileEngine& engine, const std::string& bankName, std::int64_t recordId,
                  PictureSlot slot) {
  return databases::CourseBank(engine, bankName).ReadPicture(recordId, KindOf(slot));
}

bool WritePicture(recfile::RecordFileEngine& engine, const std::string& bankName, std::int64_t recordId,
                  PictureSlot slot, const Bytes& bytes) {
  databases::CourseBank bank(engine, bankName);
  return WriteSlot(bank, recordId, slot, databases::kPictureMark, bytes);
}

bool ErasePicture(recfile::RecordFileEngine& engine, const std::string& bankName, std::int64_t recordId,
                  PictureSlot slot) {
  databases::CourseBank bank(engine, bankName);
  return WriteSlot(bank, recordId, slot, std::string(), Bytes());
}

PictureStoreResult StorePicture(ui::Host& host, const ui::Window* owner, recfile::RecordFileEngine& engine,
                                const std::string& bankName, std::int64_t recordId, PictureSlot slot,
                                const Bytes& bytes, const std::function<bool()>& findDuplicate) {
  databases::CourseBank bank(engine, bankName);
  // What the question held before, so that a refused picture leaves the
  // record exactly as the cell still shows it.
  std::string oldMarker;
  Bytes oldBytes;
  if (slot == PictureSlot::Question) {
    if (const auto q = bank.Read(recordId)) {
      oldMarker = q->pictureMark;
      oldBytes = bank.ReadPicture(recordId, KindOf(slot));
    }
  }
  if (!WriteSlot(bank, recordId, slot, databases::kPictureMark, bytes)) {
    host.Message(owner, bank.lastError().message);
    return PictureStoreResult::Failed;
  }
  if (slot == PictureSlot::Question && findDuplicate && findDuplicate()) {
    if (!WriteSlot(bank, recordId, slot, std::move(oldMarker), oldBytes)) {
      host.Message(owner, bank.lastError().message);
      return PictureStoreResult::Failed;
    }
    return PictureStoreResult::Duplicate;
  }
  return PictureStoreResult::Stored;
}

std::optional<Bytes> ChoosePictureFile(ui::Host& host, const ui::Window* owner) {
  const auto path = host.OpenFileDialog(owner, kPictureFileFilter);
  if (!path) return std::nullopt;
  StoredPicture picture = PictureFileForStorage(host, *path);
  if (!picture.ok()) {
    host.Message(owner, picture.message);
    return std::nullopt;
  }
  return std::move(picture.bytes);
}

void PreviewPicture(ui::Host& host, ui::Window* owner, Bytes picture, PictureSlot slot) {
  if (picture.empty()) return;
  PicturePreviewWindow window(host, std::move(picture), SlotHeading(slot));
  host.ShowModal(window, owner);
}

bool CopyPictureToClipboard(ui::Host& host, const Bytes& picture) {
  const auto image = DecodePicture(host, picture);
  if (!image) return false;
  host.SetClipboardImage(*image);
  return true;
}

std::optional<Bytes> ImportPictureFromClipboard(ui::Host& host, ui::Window* owner, ProgramLauncher launcher,
                                                std::function<void(const Bytes&)> store) {
  ClipboardPictureWindow window(host, std::move(launcher));
  window.onSave = std::move(store);
  host.ShowModal(window, owner);
  return window.savedPicture();
}

bool ConfirmDeletePicture(ui::Host& host, const ui::Window* owner) {
  return host.MessageBox(owner, kConfirmDeletePictureMessage, ui::kMessageCaption, ui::MessageButtons::OkCancel) ==
         ui::kButtonOk;
}

}  // namespace bank_editor::pictures
