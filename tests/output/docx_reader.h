// Reads a written .docx back the way a word processor would: the zip's
// entries through libzip, the XML parts through libxml2, the main part as a
// list of paragraphs with their indents, alignment, spacing and runs.
#pragma once

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <zip.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace docx_test {

struct Run {
  enum class Kind { Text, Break, Tab, Picture } kind = Kind::Text;
  std::string text;
  int halfPoints = 0;  // w:sz
  bool bold = false;
  std::string relId;       // pictures: r:embed
  long cx = 0, cy = 0;     // pictures: extent in EMU
};

struct Para {
  std::string jc;
  std::optional<long> leftChars, firstLineChars, hangingChars;  // hundredths of a character
  std::optional<long> left, hanging, firstLine;                 // twips
  std::optional<long> spacingLine;
  int markHalfPoints = 0;
  bool markBold = false;
  std::vector<Run> runs;

  // Text with breaks as "\n"; pictures as "[P]".
  std::string text() const {
    std::string s;
    for (const auto& r : runs) {
      if (r.kind == Run::Kind::Text) s += r.text;
      else if (r.kind == Run::Kind::Break) s += "\n";
      else if (r.kind == Run::Kind::Tab) s += "\t";
      else s += "[P]";
    }
    return s;
  }
  // Left indent / first-line indent in character units as typed (1.5, -1.5).
  double leftIndent() const { return leftChars.value_or(0) / 100.0; }
  double firstLineIndent() const {
    if (hangingChars) return -*hangingChars / 100.0;
    return firstLineChars.value_or(0) / 100.0;
  }
  std::vector<const Run*> textRuns() const {
    std::vector<const Run*> out;
    for (const auto& r : runs)
      if (r.kind == Run::Kind::Text) out.push_back(&r);
    return out;
  }
};

class Docx {
 public:
  explicit Docx(const std::string& path) {
    int code = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!z) return;
    const zip_int64_t n = zip_get_num_entries(z, 0);
    for (zip_int64_t i = 0; i < n; ++i) {
      zip_stat_t st;
      if (zip_stat_index(z, static_cast<zip_uint64_t>(i), 0, &st) != 0) continue;
      zip_file_t* f = zip_fopen_index(z, static_cast<zip_uint64_t>(i), 0);
      if (!f) continue;
      std::string bytes(st.size, '\0');
      const zip_int64_t got = zip_fread(f, bytes.data(), st.size);
      zip_fclose(f);
      if (got == static_cast<zip_int64_t>(st.size)) {
        order_.push_back(st.name);
        entries_[st.name] = std::move(bytes);
      }
    }
    zip_close(z);
    ok_ = true;
    parseDocument();
  }

  bool ok() const { return ok_; }
  bool wellFormed() const { return wellFormed_; }
  const std::vector<std::string>& entryNames() const { return order_; }
  bool has(const std::string& name) const { return entries_.count(name) != 0; }
  std::string entry(const std::string& name) const {
    auto it = entries_.find(name);
    return it == entries_.end() ? std::string() : it->second;
  }
  const std::vector<Para>& paragraphs() const { return paragraphs_; }

  // Relationship id -> target of word/_rels/document.xml.rels.
  std::map<std::string, std::string> documentRelationships() const {
    std::map<std::string, std::string> out;
    forEachElement(entry("word/_rels/document.xml.rels"), "Relationship", [&](xmlNode* n) {
      out[attr(n, "Id")] = attr(n, "Target");
    });
    return out;
  }

  // Whether an XML part parses.
  static bool parses(const std::string& xml) {
    xmlDoc* doc = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, "UTF-8",
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc) return false;
    xmlFreeDoc(doc);
    return true;
  }

  template <typename F>
  static void forEachElement(const std::string& xml, const char* name, F f) {
    xmlDoc* doc = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, "UTF-8",
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc) return;
    walk(xmlDocGetRootElement(doc), name, f);
    xmlFreeDoc(doc);
  }

  static std::string attr(xmlNode* n, const char* name) {
    for (xmlAttr* a = n->properties; a; a = a->next) {
      if (std::string(reinterpret_cast<const char*>(a->name)) == name) {
        xmlChar* v = xmlNodeListGetString(n->doc, a->children, 1);
        std::string s = v ? reinterpret_cast<const char*>(v) : "";
        xmlFree(v);
        return s;
      }
    }
    return {};
  }

 private:
  template <typename F>
  static void walk(xmlNode* n, const char* name, F&& f) {
    for (; n; n = n->next) {
      if (n->type == XML_ELEMENT_NODE && is(n, name)) f(n);
      walk(n->children, name, f);
    }
  }
  static bool is(xmlNode* n, const char* name) {
    return n && n->type == XML_ELEMENT_NODE && std::string(reinterpret_cast<const char*>(n->name)) == name;
  }
  static xmlNode* child(xmlNode* n, const char* name) {
    for (xmlNode* c = n ? n->children : nullptr; c; c = c->next)
      if (is(c, name)) return c;
    return nullptr;
  }
  static std::optional<long> longAttr(xmlNode* n, const char* name) {
    if (!n) return std::nullopt;
    const std::string v = attr(n, name);
    if (v.empty()) return std::nullopt;
    return std::stol(v);
  }
  static void readRunProperties(xmlNode* rPr, int& halfPoints, bool& bold) {
    if (auto sz = longAttr(child(rPr, "sz"), "val")) halfPoints = static_cast<int>(*sz);
    xmlNode* b = child(rPr, "b");
    bold = b && attr(b, "val") != "0" && attr(b, "val") != "false";
  }

  void parseDocument() {
    const std::string xml = entry("word/document.xml");
    wellFormed_ = parses(xml);
    forEachElement(xml, "p", [&](xmlNode* p) {
      Para para;
      if (xmlNode* pPr = child(p, "pPr")) {
        if (xmlNode* jc = child(pPr, "jc")) para.jc = attr(jc, "val");
        if (xmlNode* ind = child(pPr, "ind")) {
          para.leftChars = longAttr(ind, "leftChars");
          para.firstLineChars = longAttr(ind, "firstLineChars");
          para.hangingChars = longAttr(ind, "hangingChars");
          para.left = longAttr(ind, "left");
          para.hanging = longAttr(ind, "hanging");
          para.firstLine = longAttr(ind, "firstLine");
        }
        para.spacingLine = longAttr(child(pPr, "spacing"), "line");
        readRunProperties(child(pPr, "rPr"), para.markHalfPoints, para.markBold);
      }
      for (xmlNode* r = p->children; r; r = r->next) {
        if (!is(r, "r")) continue;
        int half = 0;
        bool bold = false;
        readRunProperties(child(r, "rPr"), half, bold);
        for (xmlNode* c = r->children; c; c = c->next) {
          Run run;
          run.halfPoints = half;
          run.bold = bold;
          if (is(c, "t")) {
            xmlChar* v = xmlNodeGetContent(c);
            run.text = v ? reinterpret_cast<const char*>(v) : "";
            xmlFree(v);
          } else if (is(c, "br")) {
            run.kind = Run::Kind::Break;
          } else if (is(c, "tab")) {
            run.kind = Run::Kind::Tab;
          } else if (is(c, "drawing")) {
            run.kind = Run::Kind::Picture;
            walk(c->children, "extent", [&](xmlNode* e) {
              run.cx = longAttr(e, "cx").value_or(0);
              run.cy = longAttr(e, "cy").value_or(0);
            });
            walk(c->children, "blip", [&](xmlNode* b) { run.relId = attr(b, "embed"); });
          } else {
            continue;
          }
          para.runs.push_back(std::move(run));
        }
      }
      paragraphs_.push_back(std::move(para));
    });
  }

  bool ok_ = false;
  bool wellFormed_ = false;
  std::vector<std::string> order_;
  std::map<std::string, std::string> entries_;
  std::vector<Para> paragraphs_;
};

}  // namespace docx_test
