// A document typed piece by piece at an insertion point, the way a person
// (or a program driving a word processor) types it: text, paragraph marks,
// backspace, alignment, font size, bold, the normal style, character-unit
// indents, line spacing and inline pictures. The result is a paragraph model
// that the .docx and PDF writers turn into files.
//
// The insertion point always stands at the end of the document: everything
// typed goes into the last paragraph.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "output/picture_info.h"

namespace output {

// Paragraph alignment in the word processor's numbering.
inline constexpr int kAlignLeft = 0;
inline constexpr int kAlignCentre = 1;
inline constexpr int kAlignRight = 2;
inline constexpr int kAlignJustify = 3;

// Line spacing rules in the word processor's numbering.
inline constexpr int kLineSpacingSingle = 0;
inline constexpr int kLineSpacingOneAndHalf = 1;
inline constexpr int kLineSpacingDouble = 2;

// The normal paragraph style ("正文"): justified, no indents, single spacing,
// 10.5-point text; one character unit of indent is 10.5 points wide.
inline constexpr std::string_view kNormalStyleName = "正文";
inline constexpr double kNormalFontSize = 10.5;

struct CharFormat {
  double size = kNormalFontSize;  // points
  bool bold = false;
  bool operator==(const CharFormat&) const = default;
};

struct ParagraphFormat {
  int alignment = kAlignJustify;
  double leftChars = 0;       // left indent, character units
  double firstLineChars = 0;  // first-line indent, character units; negative hangs
  int lineSpacing = kLineSpacingSingle;
  bool operator==(const ParagraphFormat&) const = default;
};

// One piece of a paragraph's content.
struct Inline {
  enum class Kind { Text, LineBreak, Tab, Picture };
  Kind kind = Kind::Text;
  std::string text;  // Text: UTF-8, no control characters
  CharFormat format;
  int picture = -1;  // Picture: index into Document::pictures
  bool operator==(const Inline&) const = default;
};

struct Paragraph {
  ParagraphFormat format;
  std::vector<Inline> content;
  CharFormat mark;  // the paragraph mark's formatting: the height of an empty paragraph

  // The paragraph's text, line breaks as "\n", tabs as "\t", pictures left out.
  std::string text() const;
  bool empty() const { return content.empty(); }
};

struct Picture {
  PictureInfo info;
  Bytes bytes;
};

struct Document {
  std::string title;  // the document's title property
  std::vector<Paragraph> paragraphs;
  std::vector<Picture> pictures;
};

class DocumentWriter {
 public:
  DocumentWriter();

  // Inserts text. A line break inside it ("\r\n", "\r", "\n" or a vertical
  // tab) breaks the line within the paragraph; a tab stays a tab; other
  // control characters and bytes that are not UTF-8 become U+FFFD.
  void TypeText(std::string_view text);
  // Ends the current paragraph; the next one starts with the same paragraph
  // and character formatting.
  void TypeParagraph();
  // Deletes the character before the insertion point: the last character of
  // the last run, a line break, a tab or a picture; at the start of a
  // paragraph the paragraph mark before it, joining the two paragraphs (the
  // joined paragraph keeps the later one's formatting, whose mark survives).
  void TypeBackspace();

  // Alignment of the current paragraph: 0 left, 1 centred, 2 right, 3
  // justified; other values are ignored.
  void SetAlignment(int alignment);
  // Applies to text typed from now on; a size of 1 to 1638 points.
  void SetFontSize(double points);
  // Applies to text typed from now on: non-zero on, 0 off.
  void SetBold(int bold);
  // The current paragraph takes the style, losing its own paragraph
  // formatting, and text typed next the style's character formatting.
  // Only the normal style exists ("正文", also "Normal"); false otherwise.
  bool SetStyle(std::string_view style);
  // A property of the current paragraph's format by name:
  // "CharacterUnitLeftIndent", "CharacterUnitFirstLineIndent" (character
  // units), "LineSpacingRule" (0 single, 1 one and a half, 2 double),
  // "Alignment". False for an unknown property or value.
  bool SetParagraphFormat(std::string_view property, double value);
  // Inserts the picture file inline. False, with the reason, when the file
  // cannot be read or is not a JPEG, PNG, BMP or GIF picture; the document
  // is then unchanged.
  bool AddPicture(const std::string& path, std::string* error = nullptr);
  // The same for picture bytes already in memory.
  bool AddPictureBytes(Bytes bytes, std::string* error = nullptr);

  void SetTitle(std::string title) { document_.title = std::move(title); }

  const Document& document() const { return document_; }
  Paragraph& current() { return document_.paragraphs.back(); }
  const CharFormat& characterFormat() const { return format_; }

 private:
  void Append(Inline piece);

  Document document_;
  CharFormat format_;  // formatting of text typed next
};

// Replaces control characters, surrogates, U+FFFE/U+FFFF and bytes that are
// not UTF-8 with U+FFFD, so the text can stand in XML.
std::string CleanText(std::string_view text);

}  // namespace output
