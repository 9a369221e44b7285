#include "exchange/moodle_xml.h"

#include <expat.h>
#include <nettle/base64.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <set>

#include "bank_editor/question_rules.h"
#include "output/file_writing.h"
#include "text/text.h"

namespace exchange {

namespace {

using databases::Question;

// ---- writing -------------------------------------------------------------------

std::string XmlEscape(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// A plain text as HTML: escaped, line breaks as <br>.
std::string Html(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') continue;
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      case '\n': out += "<br>"; break;
      case '\r': out += "<br>"; break;
      default: out += c;
    }
  }
  return out;
}

// HTML inside an XML text element; "]]>" cannot stand inside one section.
std::string Cdata(const std::string& html) {
  std::string out = "<![CDATA[";
  std::size_t from = 0, at;
  while ((at = html.find("]]>", from)) != std::string::npos) {
    out += html.substr(from, at + 2 - from) + "]]><![CDATA[";
    from = at + 2;
  }
  return out + html.substr(from) + "]]>";
}

std::string Base64(const Bytes& b) {
  std::string out(BASE64_ENCODE_RAW_LENGTH(b.size()), '\0');
  if (!b.empty()) base64_encode_raw(out.data(), b.size(), b.data());
  return out;
}

std::string PictureExtension(const Bytes& b) {
  if (b.size() >= 2 && b[0] == 0xFF && b[1] == 0xD8) return ".jpg";
  if (b.size() >= 2 && b[0] == 'B' && b[1] == 'M') return ".bmp";
  if (b.size() >= 4 && b[0] == 0x89 && b[1] == 'P') return ".png";
  return ".img";
}

// The first `n` characters of a text, on one line.
std::string FirstCharacters(const std::string& s, std::size_t n) {
  std::string out;
  std::size_t count = 0;
  for (std::size_t i = 0; i < s.size() && count < n;) {
    const auto c = static_cast<unsigned char>(s[i]);
    const std::size_t len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : 4;
    const std::string ch = s.substr(i, len);
    out += ch == "\r" || ch == "\n" ? " " : ch;
    i += len;
    ++count;
  }
  return out;
}

constexpr std::size_t kNameCharacters = 30;
constexpr std::string_view kText2Class = "mc-text2";

// Group rows are named "【group-NN】text" so a platform lists them together
// and an import can rebuild the group.
std::string QuestionName(const Question& q) {
  std::string name = FirstCharacters(q.text1, kNameCharacters);
  if (!q.groupName.empty()) {
    const int n = q.isTitle() ? 0 : static_cast<int>(text::ToInteger(q.groupNumber));
    char number[8];
    std::snprintf(number, sizeof number, "%02d", n);
    name = "【" + q.groupName + "-" + number + "】" + name;
  }
  if (name.empty()) name = "（无题文）";
  return name;
}

// The judgement words and which side they stand for.
std::optional<bool> JudgementValue(const std::string& answer) {
  static const std::set<std::string> yes = {"正确", "对", "√", "是", "T", "true"};
  static const std::set<std::string> no = {"错误", "错", "×", "否", "F", "false"};
  if (yes.count(answer)) return true;
  if (no.count(answer)) return false;
  return std::nullopt;
}

std::string Fraction(double v) {
  if (v == std::floor(v)) return std::to_string(static_cast<long long>(v));
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.5f", v);
  return buf;
}

class Writer {
 public:
  explicit Writer(std::string course) : course_(std::move(course)) {
    xml_ = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<quiz>\n";
  }

  void Category(const std::string& path) {
    xml_ += "  <question type=\"category\">\n    <category><text>" + XmlEscape("$course$/" + course_ + "/" + path) +
            "</text></category>\n  </question>\n";
  }

  void Write(const MoodleQuestion& m, int score) {
    const Question& q = m.question;
    std::string type;
    std::string body;
    const std::string pictureName = "题图" + std::to_string(q.id) + PictureExtension(m.picture);
    const std::string answerName = "答图" + std::to_string(q.id) + PictureExtension(m.answerPicture);
    std::string questionHtml = Html(q.text1);
    std::string questionFiles;
    if (!m.picture.empty()) {
      questionHtml += "<br><img src=\"@@PLUGINFILE@@/" + XmlEscape(pictureName) + "\">";
      questionFiles = File(pictureName, m.picture);
    }
    const std::vector<std::string> options = bank_editor::QuestionLines(q.text2);
    const bool textOptions = q.choice && options.size() >= 2;
    // The text after the picture keeps its own field through a round trip.
    if (!textOptions && !q.text2.empty())
      questionHtml += "<p class=\"" + std::string(kText2Class) + "\">" + Html(q.text2) + "</p>";
    std::string answerFiles;
    std::string answerHtml = Html(q.answer);
    if (!m.answerPicture.empty()) {
      answerHtml += (answerHtml.empty() ? "" : "<br>") + std::string("<img src=\"@@PLUGINFILE@@/") +
                    XmlEscape(answerName) + "\">";
      answerFiles = File(answerName, m.answerPicture);
    }
    const auto judgement = JudgementValue(text::TrimSpaces(q.answer));
    const bool title = q.isTitle();

    if (title) {
      type = "description";
    } else if (textOptions) {
      type = "multichoice";
      const std::vector<std::string> answers = bank_editor::QuestionLines(q.answer);
      std::set<std::string> right(answers.begin(), answers.end());
      body += Choices(options, right);
    } else if (q.choice) {
      // Options drawn in the picture: answer with the labels of its series.
      type = "multichoice";
      const bool circled = !q.answer.empty() && static_cast<unsigned char>(q.answer[0]) >= 0x80;
      const auto& labels = circled ? bank_editor::CircledLabels() : bank_editor::LetterLabels();
      std::set<std::string> right;
      std::size_t highest = 0;
      for (std::size_t i = 0; i < labels.size(); ++i) {
        if (q.answer.find(labels[i]) != std::string::npos) {
          right.insert(labels[i]);
          highest = i + 1;
        }
      }
      const std::vector<std::string> shown(labels.begin(),
                                           labels.begin() + static_cast<long>(std::max<std::size_t>(highest, 4)));
      body += Choices(shown, right, circled ? "none" : "ABCD");
    } else if (q.type == "判断" && judgement) {
      type = "truefalse";
      // The bank's own word rides in the right answer's feedback.
      const std::string word = Cdata(Html(text::TrimSpaces(q.answer)));
      body += "    <answer fraction=\"" + std::string(*judgement ? "100" : "0") +
              "\" format=\"moodle_auto_format\"><text>true</text><feedback format=\"html\"><text>" +
              (*judgement ? word : "") + "</text></feedback></answer>\n";
      body += "    <answer fraction=\"" + std::string(*judgement ? "0" : "100") +
              "\" format=\"moodle_auto_format\"><text>false</text><feedback format=\"html\"><text>" +
              (*judgement ? "" : word) + "</text></feedback></answer>\n";
    } else if (q.type == "判断" || q.type == "填空") {
      type = "shortanswer";
      body += "    <usecase>0</usecase>\n";
      for (const auto& line : bank_editor::QuestionLines(q.answer))
        if (!line.empty())
          body += "    <answer fraction=\"100\" format=\"moodle_auto_format\"><text>" + XmlEscape(line) +
                  "</text></answer>\n";
    } else {
      type = "essay";
      body += "    <responseformat>editor</responseformat>\n    <responserequired>1</responserequired>\n"
              "    <responsefieldlines>15</responsefieldlines>\n    <attachments>0</attachments>\n";
      body += "    <graderinfo format=\"html\"><text>" + Cdata(answerHtml) + "</text>" + answerFiles +
              "</graderinfo>\n";
    }
    // Kinds without a place for an answer picture carry it as feedback.
    std::string feedback;
    if (type != "essay" && type != "description" && !answerFiles.empty()) feedback = answerHtml;
    xml_ += "  <question type=\"" + type + "\">\n";
    xml_ += "    <name><text>" + XmlEscape(QuestionName(q)) + "</text></name>\n";
    xml_ += "    <questiontext format=\"html\"><text>" + Cdata(questionHtml) + "</text>" + questionFiles +
            "</questiontext>\n";
    xml_ += "    <generalfeedback format=\"html\"><text>" + Cdata(feedback) + "</text>" +
            (type != "essay" && !answerFiles.empty() ? answerFiles : std::string()) + "</generalfeedback>\n";
    if (type != "description") {
      xml_ += "    <defaultgrade>" + std::to_string(score) + "</defaultgrade>\n";
      xml_ += "    <penalty>0</penalty>\n";
    }
    xml_ += "    <hidden>0</hidden>\n";
    xml_ += body;
    xml_ += Tags(q);
    xml_ += "  </question>\n";
  }

  std::string Finish() { return xml_ + "</quiz>\n"; }

 private:
  static std::string File(const std::string& name, const Bytes& bytes) {
    return "<file name=\"" + XmlEscape(name) + "\" path=\"/\" encoding=\"base64\">" + Base64(bytes) + "</file>";
  }

  static std::string Choices(const std::vector<std::string>& options, const std::set<std::string>& right,
                             const std::string& numbering = "ABCD") {
    std::size_t rightCount = 0;
    for (const auto& o : options) rightCount += right.count(o);
    const std::size_t wrongCount = options.size() - rightCount;
    const bool single = rightCount == 1;
    std::string out = "    <single>" + std::string(single ? "true" : "false") + "</single>\n" +
                      "    <shuffleanswers>1</shuffleanswers>\n    <answernumbering>" + numbering +
                      "</answernumbering>\n";
    for (const auto& o : options) {
      double fraction = 0;
      if (right.count(o)) fraction = rightCount ? 100.0 / static_cast<double>(rightCount) : 0;
      else if (!single && wrongCount) fraction = -100.0 / static_cast<double>(wrongCount);
      out += "    <answer fraction=\"" + Fraction(fraction) + "\" format=\"html\"><text>" + Cdata(Html(o)) +
             "</text></answer>\n";
    }
    return out;
  }

  static std::string Tags(const Question& q) {
    std::string tags;
    std::size_t from = 0;
    while (from <= q.knowledgePoints.size() && !q.knowledgePoints.empty()) {
      const auto bar = q.knowledgePoints.find('|', from);
      const std::string part = q.knowledgePoints.substr(from, bar == std::string::npos ? bar : bar - from);
      if (!part.empty()) tags += "      <tag><text>" + XmlEscape(part) + "</text></tag>\n";
      if (bar == std::string::npos) break;
      from = bar + 1;
    }
    if (q.difficulty >= 1 && q.difficulty <= 9)
      tags += "      <tag><text>难度" + std::to_string(q.difficulty) + "</text></tag>\n";
    return tags.empty() ? std::string() : "    <tags>\n" + tags + "    </tags>\n";
  }

  std::string course_;
  std::string xml_;
};

// ---- reading -------------------------------------------------------------------

struct Node {
  std::string name;
  std::map<std::string, std::string> attrs;
  std::string text;
  std::vector<std::unique_ptr<Node>> children;
  Node* parent = nullptr;

  const Node* Child(std::string_view n) const {
    for (const auto& c : children)
      if (c->name == n) return c.get();
    return nullptr;
  }
  std::vector<const Node*> All(std::string_view n) const {
    std::vector<const Node*> out;
    for (const auto& c : children)
      if (c->name == n) out.push_back(c.get());
    return out;
  }
  std::string ChildText(std::string_view n) const {
    const Node* c = Child(n);
    if (!c) return {};
    const Node* t = c->Child("text");
    return t ? t->text : c->text;
  }
  std::string Attr(const std::string& n) const {
    const auto it = attrs.find(n);
    return it == attrs.end() ? std::string() : it->second;
  }
};

bool ParseTree(const std::string& xml, Node& root, std::string& error) {
  struct State {
    Node* at;
  } state{&root};
  std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> parser(XML_ParserCreate("UTF-8"), XML_ParserFree);
  XML_SetUserData(parser.get(), &state);
  XML_SetElementHandler(
      parser.get(),
      [](void* u, const XML_Char* name, const XML_Char** attrs) {
        auto* s = static_cast<State*>(u);
        auto node = std::make_unique<Node>();
        node->name = name;
        node->parent = s->at;
        for (int i = 0; attrs[i]; i += 2) node->attrs[attrs[i]] = attrs[i + 1];
        Node* raw = node.get();
        s->at->children.push_back(std::move(node));
        s->at = raw;
      },
      [](void* u, const XML_Char*) {
        auto* s = static_cast<State*>(u);
        s->at = s->at->parent;
      });
  XML_SetCharacterDataHandler(parser.get(), [](void* u, const XML_Char* t, int len) {
    static_cast<State*>(u)->at->text.append(t, static_cast<std::size_t>(len));
  });
  if (XML_Parse(parser.get(), xml.data(), static_cast<int>(xml.size()), 1) != XML_STATUS_OK) {
    error = "XML文件有误（第" + std::to_string(XML_GetCurrentLineNumber(parser.get())) + "行）：" +
            XML_ErrorString(XML_GetErrorCode(parser.get()));
    return false;
  }
  return true;
}

void AppendUtf8(std::string& out, unsigned long cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp <= 0x10FFFF) {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// HTML as plain text: tags dropped, <br>, </p> and </div> as line breaks,
// entities decoded, the ends trimmed.
std::string PlainText(const std::string& html) {
  std::string out;
  for (std::size_t i = 0; i < html.size();) {
    const char c = html[i];
    if (c == '<') {
      const auto end = html.find('>', i);
      if (end == std::string::npos) break;
      std::string tag = html.substr(i + 1, end - i - 1);
      for (auto& ch : tag) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      const bool breaks = tag.rfind("br", 0) == 0 || tag == "/p" || tag == "/div" || tag == "/li" ||
                          tag.rfind("/h", 0) == 0 || tag == "/tr";
      if (breaks) out += "\r\n";
      i = end + 1;
    } else if (c == '&') {
      const auto semi = html.find(';', i);
      const std::string entity = semi == std::string::npos ? "" : html.substr(i + 1, semi - i - 1);
      static const std::map<std::string, std::string> named = {
          {"lt", "<"}, {"gt", ">"}, {"amp", "&"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", " "}};
      if (auto it = named.find(entity); it != named.end()) {
        out += it->second;
        i = semi + 1;
      } else if (entity.size() > 1 && entity[0] == '#') {
        const bool hex = entity[1] == 'x' || entity[1] == 'X';
        const unsigned long cp = std::strtoul(entity.c_str() + (hex ? 2 : 1), nullptr, hex ? 16 : 10);
        AppendUtf8(out, cp);
        i = semi + 1;
      } else {
        out += c;
        ++i;
      }
    } else if (c == '\r' || c == '\n') {
      if (!out.empty() && out.back() != ' ' && out.back() != '\n') out += ' ';
      ++i;
    } else {
      out += c;
      ++i;
    }
  }
  // Trailing and leading breaks and spaces carry nothing.
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
  std::size_t start = 0;
  while (start < out.size() && (out[start] == '\n' || out[start] == '\r' || out[start] == ' ')) ++start;
  return out.substr(start);
}

Bytes DecodeBase64(const std::string& s) {
  Bytes out(BASE64_DECODE_LENGTH(s.size()));
  base64_decode_ctx ctx;
  base64_decode_init(&ctx);
  std::size_t n = out.size();
  if (!base64_decode_update(&ctx, &n, out.data(), s.size(), s.data()) || !base64_decode_final(&ctx))
    return {};
  out.resize(n);
  return out;
}

Bytes FirstFile(const Node* holder) {
  if (!holder) return {};
  for (const Node* f : holder->All("file"))
    if (f->Attr("encoding") == "base64") return DecodeBase64(f->text);
  return {};
}

std::string HtmlOf(const Node* q, std::string_view child) {
  const Node* c = q->Child(child);
  if (!c) return {};
  const Node* t = c->Child("text");
  return t ? t->text : std::string();
}

// "【group-NN】…": the group and the number, or nothing.
std::optional<std::pair<std::string, int>> GroupOfName(const std::string& name) {
  const std::string open = "【", close = "】";
  if (name.rfind(open, 0) != 0) return std::nullopt;
  const auto end = name.find(close);
  if (end == std::string::npos) return std::nullopt;
  const std::string inner = name.substr(open.size(), end - open.size());
  const auto dash = inner.rfind('-');
  if (dash == std::string::npos || dash == 0 || dash + 1 >= inner.size()) return std::nullopt;
  for (std::size_t i = dash + 1; i < inner.size(); ++i)
    if (inner[i] < '0' || inner[i] > '9') return std::nullopt;
  return std::make_pair(inner.substr(0, dash), std::stoi(inner.substr(dash + 1)));
}

class Reader {
 public:
  explicit Reader(const std::vector<std::string>& libraryTypes)
      : library_(libraryTypes.begin(), libraryTypes.end()) {}

  void Run(const Node& quiz, ParsedDocument& out) {
    int index = 0;
    std::optional<std::string> openGroup;
    for (const Node* q : quiz.All("question")) {
      ++index;
      const std::string type = q->Attr("type");
      if (type == "category") {
        category_ = LastPart(q->ChildText("category"));
        openGroup.reset();
        continue;
      }
      const std::string name = q->ChildText("name");
      const auto group = GroupOfName(name);
      if (type == "description") {
        if (!group || group->second != 0) {
          out.problems.push_back("第" + std::to_string(index) + "题：说明“" + name + "”不属于任何分组，已跳过");
          openGroup.reset();
          continue;
        }
        ParsedQuestion material = Base(*q, index);
        material.groupName = group->first;
        out.questions.push_back(std::move(material));
        openGroup = group->first;
        continue;
      }
      ParsedQuestion p = Base(*q, index);
      if (!Fill(*q, type, p)) {
        out.problems.push_back("第" + std::to_string(index) + "题：不支持的题目类型 " + type + "，已跳过");
        continue;
      }
      if (group && group->second > 0 && openGroup && *openGroup == group->first && !out.questions.empty()) {
        out.questions.back().members.push_back(std::move(p));
      } else {
        openGroup.reset();
        out.questions.push_back(std::move(p));
      }
    }
  }

 private:
  static std::string LastPart(const std::string& path) {
    const auto slash = path.rfind('/');
    return text::TrimSpaces(slash == std::string::npos ? path : path.substr(slash + 1));
  }

  ParsedQuestion Base(const Node& q, int index) {
    ParsedQuestion p;
    p.line = index;
    p.number = std::to_string(index);
    p.bankPictures = true;
    std::string html = HtmlOf(&q, "questiontext");
    const std::string open = "<p class=\"" + std::string(kText2Class) + "\">";
    if (const auto at = html.find(open); at != std::string::npos) {
      const auto end = html.find("</p>", at);
      if (end != std::string::npos) {
        p.text2 = PlainText(html.substr(at + open.size(), end - at - open.size()));
        html.erase(at, end + 4 - at);
      }
    }
    p.stem = PlainText(StripImages(html));
    p.picture = FirstFile(q.Child("questiontext"));
    const std::string grade = q.ChildText("defaultgrade");
    if (!grade.empty()) p.score = static_cast<int>(std::lround(text::ToDouble(grade)));
    std::string knowledge;
    if (const Node* tags = q.Child("tags")) {
      for (const Node* tag : tags->All("tag")) {
        const Node* t = tag->Child("text");
        const std::string value = text::TrimSpaces(t ? t->text : tag->text);
        if (value.size() == std::string("难度").size() + 1 && value.rfind("难度", 0) == 0 &&
            value.back() >= '1' && value.back() <= '9') {
          p.difficulty = value.back() - '0';
        } else if (!value.empty()) {
          knowledge += (knowledge.empty() ? "" : "|") + value;
        }
      }
    }
    p.knowledge = knowledge;
    if (!category_.empty() && library_.count(category_)) p.statedType = category_;
    return p;
  }

  static std::string StripImages(const std::string& html) {
    std::string out;
    std::size_t from = 0, at;
    while ((at = html.find("<img", from)) != std::string::npos) {
      out += html.substr(from, at - from);
      const auto end = html.find('>', at);
      if (end == std::string::npos) return out;
      from = end + 1;
    }
    return out + html.substr(from);
  }

  // Options, answer and type by the question's kind; false for a kind this
  // program does not keep.
  bool Fill(const Node& q, const std::string& type, ParsedQuestion& p) {
    const auto answers = q.All("answer");
    const Node* feedback = q.Child("generalfeedback");
    if (type == "multichoice") {
      p.choice = true;
      std::vector<std::string> texts;
      for (const Node* a : answers) {
        texts.push_back(PlainText(StripImages(a->ChildText("text").empty() ? a->text : a->ChildText("text"))));
        if (text::ToDouble(a->Attr("fraction")) > 0) p.starred.push_back(static_cast<int>(texts.size() - 1));
      }
      const auto& letters = bank_editor::LetterLabels();
      const auto& circled = bank_editor::CircledLabels();
      const bool labelsOnly = !texts.empty() && [&] {
        for (std::size_t i = 0; i < texts.size(); ++i)
          if (i >= 9 || (texts[i] != letters[i] && texts[i] != circled[i])) return false;
        return true;
      }();
      if (labelsOnly && !p.picture.empty()) {
        // Options drawn in the picture: the answer is the labels.
        for (int i : p.starred) p.answer += texts[static_cast<std::size_t>(i)];
        p.starred.clear();
      } else {
        p.options = texts;
      }
      p.answerGiven = true;
      if (p.statedType.empty()) p.statedType = "选择";
      p.answerPicture = FirstFile(feedback);
      return true;
    }
    if (type == "truefalse") {
      p.choice = false;
      for (const Node* a : answers) {
        if (text::ToDouble(a->Attr("fraction")) <= 0) continue;
        const std::string value = text::TrimSpaces(a->ChildText("text").empty() ? a->text : a->ChildText("text"));
        const std::string word = PlainText(HtmlOf(a, "feedback"));
        const auto said = JudgementValue(word);
        const bool truth = value == "true";
        p.answer = said && *said == truth ? word : truth ? "正确" : "错误";
      }
      p.answerGiven = !p.answer.empty();
      if (p.statedType.empty()) p.statedType = "判断";
      p.answerPicture = FirstFile(feedback);
      return true;
    }
    if (type == "shortanswer" || type == "numerical") {
      p.choice = false;
      for (const Node* a : answers) {
        if (text::ToDouble(a->Attr("fraction")) < 100) continue;
        const std::string value = PlainText(a->ChildText("text").empty() ? a->text : a->ChildText("text"));
        if (!value.empty()) p.answer += (p.answer.empty() ? "" : "\r\n") + value;
      }
      p.answerGiven = !p.answer.empty();
      if (p.statedType.empty()) p.statedType = "填空";
      p.answerPicture = FirstFile(feedback);
      return true;
    }
    if (type == "essay") {
      p.choice = false;
      const Node* grader = q.Child("graderinfo");
      p.answer = grader ? PlainText(StripImages(HtmlOf(&q, "graderinfo"))) : std::string();
      p.answerPicture = FirstFile(grader);
      p.answerGiven = !p.answer.empty() || !p.answerPicture.empty();
      if (p.statedType.empty())
        p.statedType = !category_.empty() && !IsGenericCategory(category_) ? category_ : "问答";
      return true;
    }
    return false;
  }

  static bool IsGenericCategory(const std::string& c) {
    static const std::set<std::string> generic = {"$course$", "$system$", "top", "Top", "默认", "Default",
                                                  "default", "顶层"};
    return generic.count(c) > 0 || c.rfind("Default for", 0) == 0 || c.rfind("默认", 0) == 0;
  }

  std::set<std::string> library_;
  std::string category_;
};

}  // namespace

MoodleExport WriteMoodleBank(const std::string& course, const std::vector<MoodleQuestion>& questions) {
  MoodleExport result;
  // Types in the order they first occur; a group goes with its title's type.
  std::vector<std::string> types;
  std::map<std::string, std::vector<const MoodleQuestion*>> byType;
  std::map<std::string, std::vector<const MoodleQuestion*>> members;
  for (const auto& m : questions) {
    if (m.question.isMember()) members[m.question.groupName].push_back(&m);
  }
  for (auto& [name, rows] : members) {
    std::stable_sort(rows.begin(), rows.end(), [](const MoodleQuestion* a, const MoodleQuestion* b) {
      return text::ToInteger(a->question.groupNumber) < text::ToInteger(b->question.groupNumber);
    });
  }
  std::set<std::string> titledGroups;
  for (const auto& m : questions)
    if (m.question.isTitle()) titledGroups.insert(m.question.groupName);
  for (const auto& m : questions) {
    const Question& q = m.question;
    if (q.isMember() && titledGroups.count(q.groupName)) continue;  // written after its title
    if (q.masked) {
      ++result.masked;
      if (q.isTitle()) result.masked += static_cast<int>(members[q.groupName].size());
      continue;
    }
    if (!byType.count(q.type)) types.push_back(q.type);
    byType[q.type].push_back(&m);
  }
  Writer w(course);
  for (const auto& type : types) {
    w.Category(type);
    for (const MoodleQuestion* m : byType[type]) {
      w.Write(*m, m->question.score);
      ++result.written;
      if (!m->question.isTitle()) continue;
      for (const MoodleQuestion* member : members[m->question.groupName]) {
        if (member->question.masked) {
          ++result.masked;
          continue;
        }
        w.Write(*member, member->question.score);
        ++result.written;
      }
    }
  }
  result.xml = w.Finish();
  return result;
}

MoodleExport WriteMoodlePaper(const std::string& course, const std::string& title,
                              const std::vector<MoodleQuestion>& questions) {
  MoodleExport result;
  Writer w(course);
  w.Category(title);
  for (const auto& m : questions) {
    w.Write(m, m.question.score);
    ++result.written;
  }
  result.xml = w.Finish();
  return result;
}

namespace {

std::optional<MoodleQuestion> ReadWithPictures(databases::CourseBank& bank, std::int64_t id,
                                               std::string& error) {
  auto q = bank.Read(id);
  if (!q) {
    error = "读 " + bank.name() + " 题库错误！" + bank.lastError().message;
    return std::nullopt;
  }
  MoodleQuestion m;
  if (q->hasPicture()) m.picture = bank.ReadPicture(id, databases::PictureKind::Question);
  if (q->hasAnswerPicture()) m.answerPicture = bank.ReadPicture(id, databases::PictureKind::Answer);
  if (bank.lastError().code != 0) {
    error = "读 " + bank.name() + " 题库的图片错误！" + bank.lastError().message;
    return std::nullopt;
  }
  m.question = std::move(*q);
  return m;
}

}  // namespace

bool ExportPaperToMoodleFile(databases::CourseBank& bank, const std::string& course,
                             const std::string& title,
                             const std::vector<std::pair<std::int64_t, int>>& paper,
                             const std::string& path, MoodleExport& result, std::string& error) {
  std::vector<MoodleQuestion> questions;
  for (const auto& [id, score] : paper) {
    auto m = ReadWithPictures(bank, id, error);
    if (!m) return false;
    m->question.score = score;
    questions.push_back(std::move(*m));
  }
  result = WriteMoodlePaper(course, title, questions);
  return output::WriteWholeFile(path, result.xml, error);
}

std::string MoodlePaperTitle(const output::PaperLayout& layout) {
  std::string title = layout.paperTitle;
  const std::string word = "  试题";
  if (title.size() > word.size() && title.compare(title.size() - word.size(), word.size(), word) == 0)
    title.resize(title.size() - word.size());
  return title;
}

bool ExportLayoutToMoodleFile(databases::CourseBank& bank, const std::string& course,
                              const output::PaperLayout& layout, const std::string& path,
                              MoodleExport& result, std::string& error) {
  std::vector<std::pair<std::int64_t, int>> paper;
  for (const auto& section : layout.sections)
    for (const auto& row : section.rows) paper.emplace_back(row.recordId, row.score);
  return ExportPaperToMoodleFile(bank, course, MoodlePaperTitle(layout), paper, path, result, error);
}

bool ExportBankToMoodleFile(databases::CourseBank& bank, const std::string& course,
                            const std::string& path, MoodleExport& result, std::string& error) {
  std::vector<Question> all;
  if (!bank.ReadAll(all)) {
    error = "读 " + course + " 题库错误！" + bank.lastError().message;
    return false;
  }
  std::vector<MoodleQuestion> questions;
  questions.reserve(all.size());
  for (Question& q : all) {
    MoodleQuestion m;
    if (q.hasPicture()) m.picture = bank.ReadPicture(q.id, databases::PictureKind::Question);
    if (q.hasAnswerPicture()) m.answerPicture = bank.ReadPicture(q.id, databases::PictureKind::Answer);
    if (bank.lastError().code != 0) {
      error = "读 " + course + " 题库的图片错误！" + bank.lastError().message;
      return false;
    }
    m.question = std::move(q);
    questions.push_back(std::move(m));
  }
  result = WriteMoodleBank(course, questions);
  return output::WriteWholeFile(path, result.xml, error);
}

bool LooksLikeMoodleXml(std::string_view bytes) {
  const auto head = bytes.substr(0, 4096);
  return head.find("<quiz") != std::string_view::npos;
}

bool ReadMoodleXml(const std::string& xml, const std::vector<std::string>& libraryTypes,
                   ParsedDocument& out, std::string& error) {
  out = {};
  Node root;
  if (!ParseTree(xml, root, error)) return false;
  const Node* quiz = root.Child("quiz");
  if (!quiz) {
    error = "文件不是Moodle XML题库（没有quiz元素）";
    return false;
  }
  Reader(libraryTypes).Run(*quiz, out);
  return true;
}

}  // namespace exchange
