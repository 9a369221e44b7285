// A document of questions as read from a file: its lines of text in order,
// each with the pictures that stand in it. Word documents and text files
// both end up in this shape, so one reader of the markup serves both.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace exchange {

using Bytes = std::vector<std::uint8_t>;

struct SourceLine {
  int number = 0;             // 1-based line (text file) or paragraph (Word)
  std::string text;           // UTF-8, without the line break
  std::vector<Bytes> pictures;  // image files standing in the line, in order
  bool equation = false;      // an equation was turned into linear text here
};

struct SourceDocument {
  std::vector<SourceLine> lines;
};

// The lines of a text file given as bytes: UTF-8 (a byte-order mark is
// dropped) when the bytes are valid UTF-8, GB18030 otherwise. CR LF, LF and
// CR all end a line.
SourceDocument ReadTextSource(std::string_view bytes);

// The paragraphs of a Word document (.docx): runs joined, line breaks inside
// a paragraph starting a new line, list numbering written out as text,
// pictures kept with their line, equations as linear text. False with a
// reason when the file is no readable .docx.
bool ReadDocxSource(const std::string& path, SourceDocument& out, std::string& error);

// Reads a file of either kind, telling them apart by their bytes (a .docx is
// a zip archive). False with a reason when it cannot be read.
bool ReadSourceFile(const std::string& path, SourceDocument& out, std::string& error);

}  // namespace exchange
