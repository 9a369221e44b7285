// What the database operations need from the screen: a message box and the
// end of the program. The application adapts its host to this; tests record.
#pragma once

#include <string>

namespace databases {

// Message-box results: the pressed button.
inline constexpr int kOk = 0, kCancel = 1, kAbort = 2, kRetry = 3, kIgnore = 4, kYes = 5, kNo = 6;

enum class Buttons { Ok, OkCancel, YesNo };
enum class Icon { None, Information, Question, Warning, Error };

inline constexpr const char* kInfoCaption = "信息：";

class Prompter {
 public:
  virtual ~Prompter() = default;
  // Shows a modal message box; returns the pressed button (kOk ... kNo).
  virtual int MessageBox(const std::string& caption, const std::string& text, Buttons buttons,
                         Icon icon) = 0;
  // Ends the process with this exit code. It may also throw (a scripted
  // host does) or return (a recording one); callers then give up the
  // operation as failed.
  virtual void EndProgram(int exitCode) = 0;

  // The common case: caption "信息：", an OK button.
  void Inform(const std::string& text) { MessageBox(kInfoCaption, text, Buttons::Ok, Icon::None); }
};

}  // namespace databases
