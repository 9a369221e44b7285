// The editor's picture commands on its current cell (题图 or 答图 of a
// question row): preview, copy, add from a file or the clipboard, delete.
#pragma once

#include "ui/types.h"

namespace bank_editor {

class BankEditorWindow;

class EditorPictures {
 public:
  explicit EditorPictures(BankEditorWindow& editor);

  void Preview();
  void Copy();
  void AddFromFile();
  void ImportFromClipboard();
  void Delete();

  // `PictureBuffer`: the picture last previewed or stored.
  const ui::Bytes& pictureBuffer() const { return pictureBuffer_; }

 private:
  // The command's row when the current cell is a picture cell of a
  // question row; -1 otherwise.
  int PictureRow() const;
  void Store(int row, int column, ui::Bytes bytes);

  BankEditorWindow& editor_;
  ui::Bytes pictureBuffer_;
};

}  // namespace bank_editor
