// Reading the text, numbering, pictures and equations of a .docx: libzip
// opens the container, expat reads the XML parts.
#include <expat.h>
#include <zip.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "exchange/source_document.h"

namespace exchange {

namespace {

constexpr std::string_view kWordNs = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr std::string_view kMathNs = "http://schemas.openxmlformats.org/officeDocument/2006/math";
constexpr std::string_view kRelNs =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr char kNsSeparator = ' ';
constexpr zip_uint64_t kMaxPartBytes = 256u << 20;

// ---- the container -----------------------------------------------------------

class ZipArchive {
 public:
  explicit ZipArchive(const std::string& path) {
    int code = 0;
    zip_ = zip_open(path.c_str(), ZIP_RDONLY, &code);
  }
  ~ZipArchive() {
    if (zip_) zip_discard(zip_);
  }
  ZipArchive(const ZipArchive&) = delete;
  ZipArchive& operator=(const ZipArchive&) = delete;

  bool ok() const { return zip_ != nullptr; }

  std::optional<std::string> Read(const std::string& name) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat(zip_, name.c_str(), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) return std::nullopt;
    // A part larger than any real document's is a damaged or hostile file.
    if (st.size > kMaxPartBytes) return std::nullopt;
    zip_file_t* f = zip_fopen(zip_, name.c_str(), 0);
    if (!f) return std::nullopt;
    std::string data(static_cast<std::size_t>(st.size), '\0');
    const zip_int64_t got = data.empty() ? 0 : zip_fread(f, data.data(), data.size());
    zip_fclose(f);
    if (got < 0 || static_cast<zip_uint64_t>(got) != st.size) return std::nullopt;
    return data;
  }

 private:
  zip_t* zip_ = nullptr;
};

// ---- expat with names split into namespace and local name -----------------

struct Name {
  std::string_view ns, local;
};

Name SplitName(const char* full) {
  std::string_view s(full);
  const auto at = s.find(kNsSeparator);
  if (at == std::string_view::npos) return {{}, s};
  return {s.substr(0, at), s.substr(at + 1)};
}

const char* Attr(const char** attrs, std::string_view ns, std::string_view local) {
  for (int i = 0; attrs[i]; i += 2) {
    const Name n = SplitName(attrs[i]);
    if (n.local == local && (ns.empty() || n.ns == ns)) return attrs[i + 1];
  }
  return nullptr;
}

class XmlHandler {
 public:
  virtual ~XmlHandler() = default;
  virtual void Start(Name name, const char** attrs) = 0;
  virtual void End(Name name) = 0;
  virtual void Text(std::string_view) {}
};

bool ParseXml(const std::string& xml, XmlHandler& handler) {
  std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> parser(
      XML_ParserCreateNS(nullptr, kNsSeparator), XML_ParserFree);
  if (!parser) return false;
  XML_SetUserData(parser.get(), &handler);
  XML_SetElementHandler(
      parser.get(),
      [](void* h, const XML_Char* name, const XML_Char** attrs) {
        static_cast<XmlHandler*>(h)->Start(SplitName(name), attrs);
      },
      [](void* h, const XML_Char* name) { static_cast<XmlHandler*>(h)->End(SplitName(name)); });
  XML_SetCharacterDataHandler(parser.get(), [](void* h, const XML_Char* s, int len) {
    static_cast<XmlHandler*>(h)->Text(std::string_view(s, static_cast<std::size_t>(len)));
  });
  return XML_Parse(parser.get(), xml.data(), static_cast<int>(xml.size()), 1) == XML_STATUS_OK;
}

// ---- relationships: id -> part name ------------------------------------------

class RelsHandler : public XmlHandler {
 public:
  std::map<std::string, std::string> targets;
  void Start(Name name, const char** attrs) override {
    if (name.local != "Relationship") return;
    const char* id = Attr(attrs, {}, "Id");
    const char* target = Attr(attrs, {}, "Target");
    const char* mode = Attr(attrs, {}, "TargetMode");
    if (!id || !target || (mode && std::string_view(mode) == "External")) return;
    std::string t = target;
    // Targets are relative to word/ unless they start at the root.
    t = t.front() == '/' ? t.substr(1) : "word/" + t;
    targets[id] = t;
  }
  void End(Name) override {}
};

// ---- list numbering ------------------------------------------------------------

struct Level {
  std::string format = "decimal";
  std::string text;  // e.g. "%1."
  int start = 1;
};

class NumberingHandler : public XmlHandler {
 public:
  std::map<std::string, std::map<int, Level>> abstracts;  // abstractNumId -> levels
  std::map<std::string, std::string> nums;                 // numId -> abstractNumId

  void Start(Name n, const char** attrs) override {
    if (n.ns != kWordNs) return;
    if (n.local == "abstractNum") {
      if (const char* id = Attr(attrs, kWordNs, "abstractNumId")) abstract_ = id;
    } else if (n.local == "lvl" && !abstract_.empty()) {
      const char* ilvl = Attr(attrs, kWordNs, "ilvl");
      level_ = ilvl ? std::atoi(ilvl) : 0;
      abstracts[abstract_][level_] = Level{};
    } else if (level_ >= 0 && (n.local == "numFmt" || n.local == "lvlText" || n.local == "start")) {
      const char* val = Attr(attrs, kWordNs, "val");
      if (!val) return;
      Level& l = abstracts[abstract_][level_];
      if (n.local == "numFmt") l.format = val;
      else if (n.local == "lvlText") l.text = val;
      else l.start = std::atoi(val);
    } else if (n.local == "num") {
      if (const char* id = Attr(attrs, kWordNs, "numId")) num_ = id;
    } else if (n.local == "abstractNumId" && !num_.empty()) {
      if (const char* val = Attr(attrs, kWordNs, "val")) nums[num_] = val;
    }
  }
  void End(Name n) override {
    if (n.ns != kWordNs) return;
    if (n.local == "abstractNum") abstract_.clear();
    if (n.local == "lvl") level_ = -1;
    if (n.local == "num") num_.clear();
  }

 private:
  std::string abstract_, num_;
  int level_ = -1;
};

std::string Circled(int n) {
  if (n < 1 || n > 20) return std::to_string(n);
  // U+2460 CIRCLED DIGIT ONE onwards.
  const char32_t c = 0x2460 + static_cast<char32_t>(n - 1);
  std::string s;
  s += static_cast<char>(0xE0 | (c >> 12));
  s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  s += static_cast<char>(0x80 | (c & 0x3F));
  return s;
}

std::string Chinese(int n) {
  static const char* digits[] = {"零", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
  if (n <= 0 || n >= 100) return std::to_string(n);
  if (n < 10) return digits[n];
  std::string s = n / 10 == 1 ? "" : digits[n / 10];
  s += "十";
  if (n % 10) s += digits[n % 10];
  return s;
}

std::string Letters(int n, char base) {
  if (n < 1) return std::to_string(n);
  // Word repeats the letter past Z: AA, BB, ...
  const int repeat = (n - 1) / 26 + 1;
  return std::string(static_cast<std::size_t>(repeat), static_cast<char>(base + (n - 1) % 26));
}

std::string FormatNumber(const std::string& format, int n) {
  if (format == "upperLetter") return Letters(n, 'A');
  if (format == "lowerLetter") return Letters(n, 'a');
  if (format == "decimalEnclosedCircle" || format == "decimalEnclosedCircleChinese") return Circled(n);
  if (format.rfind("chinese", 0) == 0 || format.rfind("ideograph", 0) == 0 ||
      format.rfind("japanese", 0) == 0 || format == "taiwaneseCounting")
    return Chinese(n);
  if (format == "bullet" || format == "none") return {};
  return std::to_string(n);
}

class ListCounter {
 public:
  explicit ListCounter(const NumberingHandler& numbering) : numbering_(numbering) {}

  // The written-out number of the next paragraph in list numId at level ilvl.
  std::string Next(const std::string& numId, int ilvl) {
    const auto num = numbering_.nums.find(numId);
    if (num == numbering_.nums.end()) return {};
    const auto abs = numbering_.abstracts.find(num->second);
    if (abs == numbering_.abstracts.end()) return {};
    auto& counters = counters_[numId];
    counters.resize(10, 0);
    if (ilvl < 0 || ilvl > 9) return {};
    for (int deeper = ilvl + 1; deeper < 10; ++deeper) counters[deeper] = 0;
    const auto levelOf = [&](int k) -> const Level* {
      const auto it = abs->second.find(k);
      return it == abs->second.end() ? nullptr : &it->second;
    };
    const Level* level = levelOf(ilvl);
    if (!level || level->format == "bullet" || level->format == "none") return {};
    counters[ilvl] = counters[ilvl] == 0 ? level->start : counters[ilvl] + 1;
    std::string out;
    const std::string& t = level->text;
    for (std::size_t i = 0; i < t.size(); ++i) {
      if (t[i] == '%' && i + 1 < t.size() && t[i + 1] >= '1' && t[i + 1] <= '9') {
        const int k = t[i + 1] - '1';
        const Level* l = levelOf(k);
        const int value = counters[k] == 0 && l ? l->start : counters[k];
        out += FormatNumber(l ? l->format : "decimal", value);
        ++i;
      } else {
        out += t[i];
      }
    }
    return out;
  }

 private:
  const NumberingHandler& numbering_;
  std::map<std::string, std::vector<int>> counters_;
};

// ---- equations as linear text -------------------------------------------------

struct MathNode {
  std::string local;
  std::string text;
  std::vector<std::unique_ptr<MathNode>> children;
  MathNode* parent = nullptr;
};

std::string Linear(const MathNode& n);

std::string ChildText(const MathNode& n, std::string_view local) {
  for (const auto& c : n.children)
    if (c->local == local) return Linear(*c);
  return {};
}

std::string Grouped(const std::string& s) {
  return s.size() <= 1 ? s : "(" + s + ")";
}

std::string Linear(const MathNode& n) {
  if (n.local == "t") return n.text;
  if (n.local == "f") return Grouped(ChildText(n, "num")) + "/" + Grouped(ChildText(n, "den"));
  if (n.local == "sSup") return ChildText(n, "e") + "^" + Grouped(ChildText(n, "sup"));
  if (n.local == "sSub") return ChildText(n, "e") + "_" + Grouped(ChildText(n, "sub"));
  if (n.local == "sSubSup")
    return ChildText(n, "e") + "_" + Grouped(ChildText(n, "sub")) + "^" +
           Grouped(ChildText(n, "sup"));
  if (n.local == "rad") {
    const std::string deg = ChildText(n, "deg");
    return (deg.empty() ? "√" : deg + "√") + Grouped(ChildText(n, "e"));
  }
  if (n.local == "d") {
    std::string inner;
    for (const auto& c : n.children)
      if (c->local == "e") inner += (inner.empty() ? "" : ",") + Linear(*c);
    return "(" + inner + ")";
  }
  if (n.local.size() > 2 && n.local.ends_with("Pr"))
    return {};
  std::string out;
  for (const auto& c : n.children) out += Linear(*c);
  return out;
}

// ---- the document body -----------------------------------------------------------

class DocumentHandler : public XmlHandler {
 public:
  DocumentHandler(ListCounter& lists, const std::map<std::string, std::string>& rels,
                  ZipArchive& zip, SourceDocument& out)
      : lists_(lists), rels_(rels), zip_(zip), out_(out) {}

  void Start(Name n, const char** attrs) override {
    if (math_) {
      auto node = std::make_unique<MathNode>();
      node->local = std::string(n.local);
      node->parent = math_;
      MathNode* raw = node.get();
      math_->children.push_back(std::move(node));
      math_ = raw;
      return;
    }
    if (n.ns == kMathNs && n.local == "oMath") {
      mathRoot_ = std::make_unique<MathNode>();
      mathRoot_->local = "oMath";
      math_ = mathRoot_.get();
      return;
    }
    if (n.ns == kWordNs) {
      if (n.local == "p") {
        ++paragraph_;
        inParagraph_ = true;
        line_ = {paragraph_, {}, {}, false};
        numId_.clear();
        ilvl_ = 0;
      } else if (n.local == "numId") {
        if (const char* v = Attr(attrs, kWordNs, "val")) numId_ = v;
      } else if (n.local == "ilvl") {
        if (const char* v = Attr(attrs, kWordNs, "val")) ilvl_ = std::atoi(v);
      } else if (n.local == "r") {
        PrefixNumber();
      } else if (n.local == "t") {
        inText_ = true;
      } else if (n.local == "tab") {
        if (inRun()) line_.text += ' ';
      } else if (n.local == "br" || n.local == "cr") {
        const char* type = Attr(attrs, kWordNs, "type");
        if (!type || std::string_view(type) == "textWrapping") BreakLine();
      } else if (n.local == "del") {
        ++deleted_;
      }
      return;
    }
    // Pictures: DrawingML blips and the older VML image data.
    if (n.local == "blip") {
      if (const char* id = Attr(attrs, kRelNs, "embed")) AddPicture(id);
    } else if (n.local == "imagedata") {
      if (const char* id = Attr(attrs, kRelNs, "id")) AddPicture(id);
    }
  }

  void End(Name n) override {
    if (math_) {
      if (math_ == mathRoot_.get()) {
        PrefixNumber();
        line_.text += Linear(*mathRoot_);
        line_.equation = true;
        math_ = nullptr;
        mathRoot_.reset();
      } else {
        math_ = math_->parent;
      }
      return;
    }
    if (n.ns != kWordNs) return;
    if (n.local == "t") inText_ = false;
    else if (n.local == "del") --deleted_;
    else if (n.local == "p") {
      PrefixNumber();
      out_.lines.push_back(std::move(line_));
      line_ = {};
      inParagraph_ = false;
      numbered_ = false;
    }
  }

  void Text(std::string_view s) override {
    if (math_) {
      if (math_->local == "t") math_->text += s;
      return;
    }
    if (inText_ && deleted_ == 0) line_.text += s;
  }

 private:
  bool inRun() const { return inParagraph_ && deleted_ == 0; }

  // A list paragraph's number is written before its first content.
  void PrefixNumber() {
    if (!inParagraph_ || numbered_) return;
    numbered_ = true;
    if (!numId_.empty()) {
      const std::string number = lists_.Next(numId_, ilvl_);
      if (!number.empty()) line_.text = number + " " + line_.text;
    }
  }

  void BreakLine() {
    if (!inRun()) return;
    PrefixNumber();
    const int number = line_.number;
    out_.lines.push_back(std::move(line_));
    line_ = {number, {}, {}, false};
  }

  void AddPicture(const std::string& id) {
    if (!inParagraph_) return;
    PrefixNumber();
    const auto it = rels_.find(id);
    if (it == rels_.end()) return;
    if (auto data = zip_.Read(it->second))
      line_.pictures.emplace_back(data->begin(), data->end());
  }

  ListCounter& lists_;
  const std::map<std::string, std::string>& rels_;
  ZipArchive& zip_;
  SourceDocument& out_;
  SourceLine line_;
  int paragraph_ = 0;
  bool inParagraph_ = false, inText_ = false, numbered_ = false;
  int deleted_ = 0;
  std::string numId_;
  int ilvl_ = 0;
  std::unique_ptr<MathNode> mathRoot_;
  MathNode* math_ = nullptr;
};

}  // namespace

bool ReadDocxSource(const std::string& path, SourceDocument& out, std::string& error) {
  out = {};
  ZipArchive zip(path);
  if (!zip.ok()) {
    error = "无法打开Word文档：" + path;
    return false;
  }
  const auto document = zip.Read("word/document.xml");
  if (!document) {
    error = "文件不是Word文档（缺少 word/document.xml）：" + path;
    return false;
  }
  RelsHandler rels;
  if (const auto xml = zip.Read("word/_rels/document.xml.rels")) ParseXml(*xml, rels);
  NumberingHandler numbering;
  if (const auto xml = zip.Read("word/numbering.xml")) ParseXml(*xml, numbering);
  ListCounter lists(numbering);
  DocumentHandler body(lists, rels.targets, zip, out);
  if (!ParseXml(*document, body)) {
    error = "Word文档已损坏，无法读取：" + path;
    return false;
  }
  return true;
}

}  // namespace exchange
