#include "bank_editor/editor_pictures.h"

#include "bank_editor/bank_editor_window.h"
#include "bank_editor/bank_grid.h"
#include "bank_editor/pictures/picture_commands.h"
#include "ui/host.h"

namespace bank_editor {

namespace pic = bank_editor::pictures;

namespace {

databases::PictureKind KindOf(pic::PictureSlot slot) {
  return slot == pic::PictureSlot::Question ? databases::PictureKind::Question
                                            : databases::PictureKind::Answer;
}

// Marker and bytes of one picture, changed together.
databases::QuestionChanges PictureChange(pic::PictureSlot slot, std::string marker,
                                         const ui::Bytes& bytes) {
  databases::QuestionChanges c;
  if (slot == pic::PictureSlot::Question) {
    c.pictureMark = std::move(marker);
    c.pictureData = bytes;
  } else {
    c.answerPictureMark = std::move(marker);
    c.answerPictureData = bytes;
  }
  return c;
}

}  // namespace

EditorPictures::EditorPictures(BankEditorWindow& editor) : editor_(editor) {}

int EditorPictures::PictureRow() const {
  const int row = editor_.currentRow();
  if (row < 1 || row >= editor_.高级表格1.RowCount()) return -1;
  if (!pic::SlotOfColumn(editor_.currentColumn())) return -1;
  return row;
}

void EditorPictures::Preview() {
  const int row = PictureRow();
  if (row < 0 || editor_.PictureMarkAt(row, editor_.currentColumn()).empty()) return;
  const pic::PictureSlot slot = *pic::SlotOfColumn(editor_.currentColumn());
  pictureBuffer_ = editor_.model().ReadPicture(RowRecordId(editor_.高级表格1, row), KindOf(slot));
  pic::PreviewPicture(editor_.host(), &editor_, pictureBuffer_, slot);
}

void EditorPictures::Copy() {
  const int row = PictureRow();
  if (row < 0 || editor_.PictureMarkAt(row, editor_.currentColumn()).empty()) return;
  const pic::PictureSlot slot = *pic::SlotOfColumn(editor_.currentColumn());
  pic::CopyPictureToClipboard(
      editor_.host(),
      editor_.model().ReadPicture(RowRecordId(editor_.高级表格1, row), KindOf(slot)));
}

void EditorPictures::AddFromFile() {
  const int row = PictureRow();
  if (row < 0) return;
  const int column = editor_.currentColumn();
  if (auto bytes = pic::ChoosePictureFile(editor_.host(), &editor_))
    Store(row, column, std::move(*bytes));
}

void EditorPictures::ImportFromClipboard() {
  const int row = PictureRow();
  if (row < 0) return;
  const int column = editor_.currentColumn();
  pic::ImportPictureFromClipboard(editor_.host(), &editor_, pic::ProgramLauncher::System(),
                                  [this, row, column](const ui::Bytes& bytes) {
                                    Store(row, column, bytes);
                                  });
}

// A question picture that makes the question a duplicate is not kept: the
// question gets back what it held before. An answer picture is never
// checked.
void EditorPictures::Store(int row, int column, ui::Bytes bytes) {
  pictureBuffer_ = std::move(bytes);
  BankModel& model = editor_.model();
  const pic::PictureSlot slot = *pic::SlotOfColumn(column);
  const std::int64_t id = RowRecordId(editor_.高级表格1, row);
  std::string oldMarker;
  ui::Bytes oldBytes;
  if (slot == pic::PictureSlot::Question) {
    if (const databases::Question* q = model.Find(id)) {
      oldMarker = q->pictureMark;
      oldBytes = model.ReadPicture(id, KindOf(slot));
    }
  }
  if (!model.Update(id, PictureChange(slot, databases::kPictureMark, pictureBuffer_))) {
    editor_.host().Message(&editor_, model.lastError().message);
    return;
  }
  if (slot == pic::PictureSlot::Question && editor_.FindDuplicateQuestion(row)) {
    if (!model.Update(id, PictureChange(slot, std::move(oldMarker), oldBytes)))
      editor_.host().Message(&editor_, model.lastError().message);
    return;
  }
  editor_.高级表格1.SetCellData(row, column, ui::CellKind::Text,
                               std::string(databases::kPictureMark));
}

void EditorPictures::Delete() {
  const int row = PictureRow();
  if (row < 0) return;
  if (!pic::ConfirmDeletePicture(editor_.host(), &editor_)) return;
  const pic::PictureSlot slot = *pic::SlotOfColumn(editor_.currentColumn());
  BankModel& model = editor_.model();
  if (!model.Update(RowRecordId(editor_.高级表格1, row), PictureChange(slot, {}, {}))) {
    editor_.host().Message(&editor_, model.lastError().message);
    return;
  }
  editor_.高级表格1.SetCellData(row, editor_.currentColumn(), ui::CellKind::Text, std::string());
}

}  // namespace bank_editor
