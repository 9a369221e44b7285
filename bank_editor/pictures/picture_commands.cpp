#include "bank_editor/pictures/picture_commands.h"

#include <vector>

#include "bank_editor/pictures/picture_codec.h"
#include "bank_editor/pictures/picture_windows.h"
#include "databases/program_databases.h"
#include "ui/host.h"

namespace bank_editor::pictures {

namespace {

bool reachRecord(recfile::RecordFileEngine& engine, const std::string& bankName, std::int64_t recordId) {
  return engine.SetCurrent(bankName) && engine.GoToId(recordId);
}

bool writeSlot(recfile::RecordFileEngine& engine, const std::string& bankName, std::int64_t recordId,
               PictureSlot slot, std::string marker, const Bytes& bytes) {
  if (!reachRecord(engine, bankName, recordId)) return false;
  std::vector<recfile::Value> values(databases::kQuestionFieldCount);
  values[static_cast<std::size_t>(MarkerField(slot) - 1)] = std::move(marker);
  values[static_cast<std::size_t>(DataField(slot) - 1)] = bytes;
  return engine.Modify(values);
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
  if (!reachRecord(engine, bankName, recordId)) return {};
  return engine.ReadBytes(DataField(slot));
}

bool WritePicture(recfile::RecordFileEngine& engine, const std::string& bankName, std::int64_t recordId,
                  PictureSlot slot, const Bytes& bytes) {
  return writeSlot(engine, bankName, recordId, slot, databases::kPictureMark, bytes);
}

bool ErasePicture(recfile::RecordFileEngine& engine, const std::string& bankName, std::int64_t recordId,
                  PictureSlot slot) {
  return writeSlot(engine, bankName, recordId, slot, std::string(), Bytes());
}

PictureStoreResult StorePicture(ui::Host& host, const ui::Window* owner, recfile::RecordFileEngine& engine,
                                const std::string& bankName, std::int64_t recordId, PictureSlot slot,
                                const Bytes& bytes, const std::function<bool()>& findDuplicate) {
  // What the question held before, so that a refused picture leaves the
  // record exactly as the cell still shows it.
  std::string oldMarker;
  Bytes oldBytes;
  if (slot == PictureSlot::Question && reachRecord(engine, bankName, recordId)) {
    oldMarker = engine.ReadText(MarkerField(slot));
    oldBytes = engine.ReadBytes(DataField(slot));
  }
  if (!WritePicture(engine, bankName, recordId, slot, bytes)) {
    host.message(owner, recfile::ErrorText(engine.LastError()));
    return PictureStoreResult::Failed;
  }
  if (slot == PictureSlot::Question && findDuplicate && findDuplicate()) {
    if (!writeSlot(engine, bankName, recordId, slot, std::move(oldMarker), oldBytes)) {
      host.message(owner, recfile::ErrorText(engine.LastError()));
      return PictureStoreResult::Failed;
    }
    return PictureStoreResult::Duplicate;
  }
  return PictureStoreResult::Stored;
}

std::optional<Bytes> ChoosePictureFile(ui::Host& host, const ui::Window* owner) {
  const auto path = host.openFileDialog(owner, kPictureFileFilter);
  if (!path) return std::nullopt;
  StoredPicture picture = PictureFileForStorage(host, *path);
  if (!picture.ok()) {
    host.message(owner, picture.message);
    return std::nullopt;
  }
  return std::move(picture.bytes);
}

void PreviewPicture(ui::Host& host, ui::Window* owner, Bytes picture, PictureSlot slot) {
  if (picture.empty()) return;
  PicturePreviewWindow window(host, std::move(picture), SlotHeading(slot));
  host.showModal(window, owner);
}

bool CopyPictureToClipboard(ui::Host& host, const Bytes& picture) {
  const auto image = DecodePicture(host, picture);
  if (!image) return false;
  host.setClipboardImage(*image);
  return true;
}

std::optional<Bytes> ImportPictureFromClipboard(ui::Host& host, ui::Window* owner, ProgramLauncher launcher,
                                                std::function<void(const Bytes&)> store) {
  ClipboardPictureWindow window(host, std::move(launcher));
  window.onSave = std::move(store);
  host.showModal(window, owner);
  return window.savedPicture();
}

bool ConfirmDeletePicture(ui::Host& host, const ui::Window* owner) {
  return host.messageBox(owner, kConfirmDeletePictureMessage, ui::kMessageCaption, ui::MessageButtons::OkCancel) ==
         ui::kButtonOk;
}

}  // namespace bank_editor::pictures
