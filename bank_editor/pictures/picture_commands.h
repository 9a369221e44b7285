// The bank editor's picture commands, as plain functions the editor window
// calls for its current cell: reading and storing a question's picture in
// the course bank, and the dialogs of adding, previewing, copying, importing
// and deleting.
//
// A command on the editor's current cell (row r, column 4 or 7):
//   slot  = SlotOfColumn(column);  id = the row's record id (column 14)
//   preview:  PreviewPicture(host, editor, ReadPicture(engine, course, id, slot), slot)
//   copy:     CopyPictureToClipboard(host, ReadPicture(engine, course, id, slot))
//   add:      if (auto b = ChoosePictureFile(host, editor))
//               show "√" when StorePicture(...) == PictureStoreResult::Stored
//   clipboard:if (auto b = ImportPictureFromClipboard(host, editor)) the same
//   delete:   if (ConfirmDeletePicture(host, editor) && ErasePicture(...)) empty the cell
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "bank_editor/pictures/formula_editor.h"
#include "recfile/record_file_engine.h"
#include "ui/types.h"

namespace ui {
class Host;
class Window;
}  // namespace ui

namespace bank_editor::pictures {

using ui::Bytes;

// Which picture of a question: 题图 (grid column 4) or 答图 (column 7).
enum class PictureSlot { Question, Answer };

inline constexpr int kQuestionPictureColumn = 4;
inline constexpr int kAnswerPictureColumn = 7;

// The slot of a picture column; nullopt for any other column.
std::optional<PictureSlot> SlotOfColumn(int column);
// The column heading, which is also the preview's caption: "题图" / "答图".
const char* SlotHeading(PictureSlot slot);
// Field numbers of the marker ("题图"/"答图") and the bytes ("题图数据"/"答图数据").
int MarkerField(PictureSlot slot);
int DataField(PictureSlot slot);

inline constexpr std::string_view kPictureFileFilter =
    "所有图片文件|*.jpg;*.gif;*.bmp;*.png;*.ico;*.tiff|jpeg（*.jpg;*.jpeg;*.jpe;*.jfif）|*.jpg;*.jpeg;*.jpe;*.jfif|"
    "gif（*.gif）|*.gif|bmp（*.bmp）|*.bmp|png（*.png）|*.png|ico（*.ico）|*.ico|tiff（*.tif;*.tiff）|*.tif;*.tiff";
inline constexpr std::string_view kConfirmDeletePictureMessage = "确定要删除该图片吗";

// ---- The bank ---------------------------------------------------------------
// Each makes the course's bank current and goes to the record by id first.

// The stored bytes of the picture; empty when there is none or the record
// cannot be reached.
Bytes ReadPicture(recfile::RecordFileEngine& engine, const std::string& bankName,
                  std::int64_t recordId, PictureSlot slot);

// Writes marker "√" and the bytes in one record write. False on failure
// (the engine's LastError tells why).
bool WritePicture(recfile::RecordFileEngine& engine, const std::string& bankName,
                  std::int64_t recordId, PictureSlot slot, const Bytes& bytes);

// Empties marker and bytes. False on failure.
bool ErasePicture(recfile::RecordFileEngine& engine, const std::string& bankName,
                  std::int64_t recordId, PictureSlot slot);

enum class PictureStoreResult {
  Stored,     // the cell shows "√"
  Duplicate,  // a question picture made the question a duplicate: not kept
  Failed,     // the bank refused the write; its message has been shown
};

// `StorePicture`: writes the picture; for a question picture then asks
// `findDuplicate` (the editor's duplicate check for the row, which shows
// "试题重复！" itself and returns true on a duplicate) and, on a duplicate,
// puts back what the question held before (nothing, on an empty cell). An
// answer picture is never checked.
PictureStoreResult StorePicture(ui::Host& host, const ui::Window* owner,
                                recfile::RecordFileEngine& engine, const std::string& bankName,
                                std::int64_t recordId, PictureSlot slot, const Bytes& bytes,
                                const std::function<bool()>& findDuplicate);

// ---- Dialogs ----------------------------------------------------------------

// "从文件添加(&T)": the file dialog with the picture filter, then the file
// prepared for storage. nullopt when cancelled or refused (the refusal has
// been shown).
std::optional<Bytes> ChoosePictureFile(ui::Host& host, const ui::Window* owner);

// "预览图片(&Y)" / double click: the window "图片预览", modal, captioned
// with the slot's heading. Nothing happens for empty bytes.
void PreviewPicture(ui::Host& host, ui::Window* owner, Bytes picture, PictureSlot slot);

// "复制图片(&C)": the picture on the clipboard as a bitmap. Silent when the
// bytes are empty or cannot be decoded; true when the clipboard was set.
bool CopyPictureToClipboard(ui::Host& host, const Bytes& picture);

// "从剪贴板导入(&P)": the window "从剪贴板导入图片", modal; the picture
// "保存" took, or nullopt. `store`, when given, stores it before the window
// closes.
std::optional<Bytes> ImportPictureFromClipboard(ui::Host& host, ui::Window* owner,
                                                ProgramLauncher launcher = ProgramLauncher::System(),
                                                std::function<void(const Bytes&)> store = {});

// "删除图片(&D)": asks "确定要删除该图片吗" (OK/Cancel); true on OK.
bool ConfirmDeletePicture(ui::Host& host, const ui::Window* owner);

}  // namespace bank_editor::pictures
