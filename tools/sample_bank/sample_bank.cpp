#include "tools/sample_bank/sample_bank.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <unordered_set>
#include <utility>
#include <vector>

#include "bank_editor/pictures/picture_codec.h"
#include "databases/program_databases.h"


namespace samples {

using namespace databases;

namespace {

using recfile::Bytes;
using recfile::Value;

const std::string kCrLf = "\r\n";
constexpr int kSampleJpegQuality = 85;
const char* const kLetters[] = {"A", "B", "C", "D", "E", "F", "G", "H", "I"};
const char* const kCircled[] = {"①", "②", "③", "④", "⑤", "⑥", "⑦", "⑧", "⑨"};

// ---- Pictures ---------------------------------------------------------------

struct Rgb {
  std::uint8_t r, g, b;
};

class Canvas {
 public:
  Canvas(int w, int h, Rgb background) : w_(w), h_(h), px_(static_cast<std::size_t>(w) * h * 3) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) Set(x, y, background);
  }
  int width() const { return w_; }
  int height() const { return h_; }
  const std::vector<std::uint8_t>& pixels() const { return px_; }

  void Set(int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
    auto* p = &px_[(static_cast<std::size_t>(y) * w_ + x) * 3];
    p[0] = c.r, p[1] = c.g, p[2] = c.b;
  }
  void Rect(int x0, int y0, int x1, int y1, Rgb c) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) Set(x, y, c);
  }
  void Frame(int x0, int y0, int x1, int y1, Rgb c) {
    for (int x = x0; x <= x1; ++x) Set(x, y0, c), Set(x, y1, c);
    for (int y = y0; y <= y1; ++y) Set(x0, y, c), Set(x1, y, c);
  }
  void Disc(int cx, int cy, int r, Rgb c) {
    for (int y = -r; y <= r; ++y)
      for (int x = -r; x <= r; ++x)
        if (x * x + y * y <= r * r) Set(cx + x, cy + y, c);
  }
  void Line(int x0, int y0, int x1, int y1, Rgb c) {
    const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0)) + 1;
    for (int i = 0; i <= steps; ++i)
      Set(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps, c);
  }
  // An upright triangle inside the box.
  void Triangle(int x0, int y0, int x1, int y1, Rgb c) {
    for (int y = y0; y <= y1; ++y) {
      const int half = (x1 - x0) * (y - y0) / std::max(1, 2 * (y1 - y0));
      const int mid = (x0 + x1) / 2;
      for (int x = mid - half; x <= mid + half; ++x) Set(x, y, c);
    }
  }

 private:
  int w_, h_;
  std::vector<std::uint8_t> px_;
};

Bytes EncodeJpeg(const Canvas& canvas) {
  ui::Image image;
  image.width = canvas.width();
  image.height = canvas.height();
  image.pixels.reserve(canvas.pixels().size() / 3);
  for (std::size_t i = 0; i + 2 < canvas.pixels().size(); i += 3) {
    const auto* p = &canvas.pixels()[i];
    image.pixels.push_back(0xFF000000u | std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2]);
  }
  return bank_editor::pictures::EncodeJpeg(image, kSampleJpegQuality);
}

// ---- Random choices -----------------------------------------------------------

class Rng {
 public:
  explicit Rng(unsigned seed) : g_(seed) {}
  int Below(int n) { return n <= 1 ? 0 : static_cast<int>(g_() % static_cast<unsigned>(n)); }
  int Between(int a, int b) { return a + Below(b - a + 1); }
  bool Chance(int percent) { return Below(100) < percent; }
  template <class T>
  const T& Pick(const std::vector<T>& v) {
    return v[static_cast<std::size_t>(Below(static_cast<int>(v.size())))];
  }
  Rgb Colour(int lo, int hi) {
    return {static_cast<std::uint8_t>(Between(lo, hi)), static_cast<std::uint8_t>(Between(lo, hi)),
            static_cast<std::uint8_t>(Between(lo, hi))};
  }
  template <class T>
  void Shuffle(std::vector<T>& v) {
    for (std::size_t i = v.size(); i > 1; --i)
      std::swap(v[i - 1], v[static_cast<std::size_t>(Below(static_cast<int>(i)))]);
  }
  // Mostly middling, as teachers grade.
  int Difficulty() { return (Between(1, 9) + Between(1, 9) + 1) / 2; }

 private:
  std::mt19937 g_;
};

// ---- Texts --------------------------------------------------------------------

std::string Num(long long v) { return std::to_string(v); }

// "3x", "-x", "+ 5" style terms of a polynomial.
std::string Term(long long coef, const std::string& var, bool first) {
  if (coef == 0) return {};
  std::string s;
  if (first)
    s = coef < 0 ? "-" : "";
  else
    s = coef < 0 ? " - " : " + ";
  const long long a = coef < 0 ? -coef : coef;
  if (a != 1 || var.empty()) s += Num(a);
  return s + var;
}

std::string Linear(long long k, long long b) {
  std::string s = Term(k, "x", true);
  return s + Term(b, "", s.empty());
}

bool IsPrime(int n) {
  if (n < 2) return false;
  for (int d = 2; d * d <= n; ++d)
    if (n % d == 0) return false;
  return true;
}

struct Fact {
  const char* statement;
  bool right;
  const char* point;
};
const std::vector<Fact> kFacts = {
    {"光在同种均匀介质中沿直线传播。", true, "光的反射"},
    {"物体的质量随温度的升高而增大。", false, "力与运动"},
    {"在标准大气压下，水的沸点是 100 ℃。", true, "物态变化"},
    {"力是维持物体运动的原因。", false, "力与运动"},
    {"液体内部的压强随深度的增加而增大。", true, "压强"},
    {"浸在液体中的物体受到的浮力等于它排开的液体所受的重力。", true, "浮力"},
    {"串联电路中各处的电流都相等。", true, "电路"},
    {"并联电路的总电阻大于任何一个支路的电阻。", false, "电路"},
    {"镜面反射遵守光的反射定律，漫反射不遵守。", false, "光的反射"},
    {"晶体熔化时吸收热量，温度保持不变。", true, "物态变化"},
    {"氧气的化学式是 O₂。", true, "元素符号"},
    {"酸溶液能使无色酚酞溶液变红。", false, "酸碱盐"},
    {"“春风又绿江南岸”中的“绿”字用作动词。", true, "古诗文"},
    {"《红楼梦》的作者是罗贯中。", false, "文学常识"},
    {"三角形的内角和等于 180°。", true, "三角形"},
    {"任意两个等腰三角形都相似。", false, "三角形"},
    {"圆的直径是半径的 2 倍。", true, "圆"},
    {"平行四边形是轴对称图形。", false, "轴对称"},
    {"抛掷一枚均匀硬币，正面朝上的概率是二分之一。", true, "概率初步"},
    {"扇形统计图能清楚地表示各部分占总体的百分比。", true, "统计图表"},
};

struct Term2 {
  const char* term;
  const char* meaning;
  const char* point;
};
const std::vector<Term2> kTerms = {
    {"质数", "只有 1 和它本身两个因数的大于 1 的整数叫做质数。", "质数与合数"},
    {"合数", "除了 1 和它本身以外还有别的因数的大于 1 的整数叫做合数。", "质数与合数"},
    {"一次函数", "形如 y = kx + b（k、b 为常数，k ≠ 0）的函数叫做一次函数。", "一次函数"},
    {"轴对称图形", "一个图形沿某条直线折叠，直线两旁的部分能够完全重合，这个图形叫做轴对称图形。", "轴对称"},
    {"概率", "表示一个事件发生的可能性大小的数，叫做该事件的概率。", "概率初步"},
    {"惯性", "物体保持原来运动状态不变的性质叫做惯性。", "力与运动"},
    {"压强", "物体所受压力的大小与受力面积之比叫做压强。", "压强"},
    {"浮力", "浸在液体或气体中的物体受到的竖直向上的托力叫做浮力。", "浮力"},
    {"电阻", "导体对电流的阻碍作用叫做电阻。", "电路"},
    {"升华", "物质从固态直接变成气态的过程叫做升华。", "物态变化"},
    {"凝华", "物质从气态直接变成固态的过程叫做凝华。", "物态变化"},
    {"化合反应", "由两种或两种以上物质生成另一种物质的反应叫做化合反应。", "化学方程式"},
    {"中和反应", "酸与碱作用生成盐和水的反应叫做中和反应。", "酸碱盐"},
    {"氧化物", "由两种元素组成，其中一种是氧元素的化合物叫做氧化物。", "酸碱盐"},
    {"比喻", "用跟甲事物有相似之点的乙事物来描写或说明甲事物的修辞手法。", "修辞手法"},
    {"拟人", "把事物人格化，使其具有人的言行或思想感情的修辞手法。", "修辞手法"},
    {"对偶", "字数相等、结构相同、意义相关的两个短语或句子对称地排列在一起的修辞手法。", "修辞手法"},
    {"绝句", "每首四句，每句五个字或七个字，讲究平仄和押韵的一种近体诗。", "古诗文"},
    {"中位数", "将一组数据按大小顺序排列，处在最中间的一个数或最中间两个数的平均数。", "统计图表"},
    {"众数", "一组数据中出现次数最多的那个数据。", "统计图表"},
};

struct Couplet {
  const char* first;
  const char* second;
  const char* source;
};
const std::vector<Couplet> kCouplets = {
    {"海内存知己", "天涯若比邻", "王勃《送杜少府之任蜀州》"},
    {"会当凌绝顶", "一览众山小", "杜甫《望岳》"},
    {"春眠不觉晓", "处处闻啼鸟", "孟浩然《春晓》"},
    {"举头望明月", "低头思故乡", "李白《静夜思》"},
    {"野火烧不尽", "春风吹又生", "白居易《赋得古原草送别》"},
    {"欲穷千里目", "更上一层楼", "王之涣《登鹳雀楼》"},
    {"落红不是无情物", "化作春泥更护花", "龚自珍《己亥杂诗》"},
    {"长风破浪会有时", "直挂云帆济沧海", "李白《行路难》"},
    {"沉舟侧畔千帆过", "病树前头万木春", "刘禹锡《酬乐天扬州初逢席上见赠》"},
    {"山重水复疑无路", "柳暗花明又一村", "陆游《游山西村》"},
    {"不畏浮云遮望眼", "自缘身在最高层", "王安石《登飞来峰》"},
    {"千磨万击还坚劲", "任尔东西南北风", "郑燮《竹石》"},
};

struct Element {
  const char* name;
  const char* symbol;
};
const std::vector<Element> kElements = {
    {"氢", "H"},  {"氦", "He"}, {"碳", "C"},  {"氮", "N"},  {"氧", "O"},  {"钠", "Na"},
    {"镁", "Mg"}, {"铝", "Al"}, {"硅", "Si"}, {"硫", "S"},  {"氯", "Cl"}, {"钾", "K"},
    {"钙", "Ca"}, {"铁", "Fe"}, {"铜", "Cu"}, {"锌", "Zn"}, {"银", "Ag"}, {"汞", "Hg"},
};

const std::vector<std::pair<std::string, std::vector<std::string>>> kSubstances = {
    {"酸", {"盐酸", "硫酸", "硝酸", "碳酸", "醋酸"}},
    {"碱", {"氢氧化钠", "氢氧化钙", "氢氧化钾", "氨水"}},
    {"盐", {"氯化钠", "碳酸钙", "硫酸铜", "硝酸银", "碳酸钠"}},
    {"氧化物", {"水", "二氧化碳", "氧化铁", "氧化铜", "五氧化二磷"}},
};

struct Topic {
  const char* title;
  const char* answer;
  const char* point;
};
const std::vector<Topic> kTopics = {
    {"牛顿第一定律的内容及其意义",
     "一切物体在没有受到力的作用时，总保持静止状态或匀速直线运动状态。\r\n它说明力不是维持物体运动的原因，而是改变物体运动状态的原因。",
     "力与运动"},
    {"串联电路和并联电路中电流、电压的规律",
     "串联电路中电流处处相等，总电压等于各部分电压之和；\r\n并联电路中干路电流等于各支路电流之和，各支路两端电压相等。",
     "电路"},
    {"用一元一次方程解应用题的一般步骤",
     "审题，找出已知量、未知量和等量关系；设未知数；列方程；解方程；检验并写出答案。",
     "一次方程"},
    {"酸的通性",
     "能使紫色石蕊溶液变红；能与活泼金属反应生成盐和氢气；能与金属氧化物反应；能与碱发生中和反应；能与某些盐反应。",
     "酸碱盐"},
    {"比喻和拟人的区别",
     "比喻是用乙事物来说明甲事物，重在“像”；\r\n拟人是把物当作人来写，赋予物以人的言行和感情。",
     "修辞手法"},
    {"增大和减小压强的方法",
     "增大压强：增大压力或减小受力面积；\r\n减小压强：减小压力或增大受力面积。",
     "压强"},
    {"求一组数据平均数、中位数和众数的方法",
     "平均数等于各数据之和除以数据个数；中位数是排序后处在中间位置的数；众数是出现次数最多的数。",
     "统计图表"},
};

const std::vector<std::string> kPassageSentences = {
    "清晨，薄雾笼罩着小镇，街道两旁的梧桐树静静地立着。",
    "老师常说，读书不仅是为了考试，更是为了认识世界。",
    "那年夏天，我们在河边搭起了一座小小的木桥。",
    "科学家发现，适量的运动能够明显改善睡眠质量。",
    "他把攒了整整一年的零花钱，全部捐给了山区的学校。",
    "雨后的田野里，空气格外清新，远处传来几声蛙鸣。",
    "互联网让信息传播得更快，也让辨别真伪变得更加重要。",
    "祖父种的那棵枣树，每到秋天都会结满红红的果子。",
    "实验小组连续观察了三十天，记录下每天的气温变化。",
    "城市的夜晚灯火通明，却很难再看到满天的星星。",
    "她第一次站上讲台时，声音有些发抖，却坚持讲完了。",
    "节约用水要从身边的小事做起，比如随手关紧水龙头。",
};

const std::vector<std::string> kPoints = {
    "整数运算", "分数运算", "质数与合数", "一次方程", "一次函数", "二次函数",
    "不等式",   "三角形",   "圆",         "轴对称",   "概率初步", "统计图表",
    "力与运动", "压强",     "浮力",       "电路",     "光的反射", "物态变化",
    "元素符号", "化学方程式", "酸碱盐",   "古诗文",   "修辞手法", "文学常识",
};

// ---- Questions --------------------------------------------------------------------

struct Question {
  std::string knowledge, groupName, groupNumber, text1, text2, answer, type;
  Bytes picture, answerPicture;
  int difficulty = 5, score = 2;
  bool choice = false, fixedScore = false, masked = false;

  std::vector<Value> ToValues() const {
    return {Value(knowledge),
            Value(groupName),
            Value(groupNumber),
            Value(text1),
            Value(std::string(picture.empty() ? "" : kPictureMark)),
            Value(text2),
            Value(answer),
            Value(std::string(answerPicture.empty() ? "" : kPictureMark)),
            Value(type),
            Value(static_cast<std::int64_t>(difficulty)),
            Value(static_cast<std::int64_t>(score)),
            Value(choice),
            Value(fixedScore),
            Value(masked),
            Value(picture),
            Value(answerPicture)};
  }
};

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string s;
  for (std::size_t i = 0; i < lines.size(); ++i) s += (i ? kCrLf : "") + lines[i];
  return s;
}

class Generator {
 public:
  explicit Generator(unsigned seed) : rng_(seed) {}

  // Appends the next unit (a single question, a group, or a set of
  // picture-option questions sharing their stem) of at most `room` records.
  std::vector<Question> NextUnit(int room) {
    const int r = rng_.Below(100);
    if (r < 6 && room >= 3) return Group(std::min(room - 1, rng_.Between(2, 5)));
    if (r < 11 && room >= 4) return PictureOptionSet();
    return {Single()};
  }

 private:
  Question Single() {
    Question q;
    const int r = rng_.Below(100);
    if (r < 22)
      q = Judgement();
    else if (r < 50)
      q = TextChoice();
    else if (r < 72)
      q = FillIn();
    else if (r < 82)
      q = TermQuestion();
    else
      q = Essay();
    q.difficulty = rng_.Difficulty();
    q.fixedScore = rng_.Chance(10);
    q.masked = rng_.Chance(4);
    if (rng_.Chance(8) && q.picture.empty()) q.picture = Diagram(160, 120);
    if (!q.choice && rng_.Chance(5)) {
      q.answerPicture = Diagram(120, 90);
      if (rng_.Chance(30)) q.answer.clear();  // the picture is the answer
    }
    MakeUnique(q);
    return q;
  }

  std::string Points(const std::string& main) {
    if (rng_.Chance(10)) return {};
    std::string second = rng_.Pick(kPoints);
    if (second != main && rng_.Chance(20)) return main + "|" + second;
    return main;
  }

  Question Judgement() {
    Question q;
    q.type = "判断";
    q.score = rng_.Between(1, 2);
    bool right = false;
    std::string point;
    switch (rng_.Below(4)) {
      case 0: {
        const int a = rng_.Between(2, 999);
        q.text1 = Num(a) + " 是质数。";
        right = IsPrime(a), point = "质数与合数";
        break;
      }
      case 1: {
        const int b = rng_.Between(2, 19), a = rng_.Between(10, 500);
        q.text1 = Num(a) + " 能被 " + Num(b) + " 整除。";
        right = a % b == 0, point = "整数运算";
        break;
      }
      case 2: {
        const int k = rng_.Between(-5, 5) | 1, b = rng_.Between(-9, 9), x = rng_.Between(-6, 6);
        const bool on = rng_.Chance(50);
        const int y = k * x + b + (on ? 0 : rng_.Between(1, 3));
        q.text1 = "点 (" + Num(x) + ", " + Num(y) + ") 在函数 y = " + Linear(k, b) + " 的图像上。";
        right = on, point = "一次函数";
        break;
      }
      default: {
        const Fact& f = rng_.Pick(kFacts);
        q.text1 = f.statement;
        right = f.right, point = f.point;
      }
    }
    q.answer = right ? "正确" : "错误";
    q.knowledge = Points(point);
    return q;
  }

  // Four distinct options from a generator of candidates.
  template <class F>
  std::vector<std::string> Options(int count, F candidate) {
    std::vector<std::string> options;
    while (static_cast<int>(options.size()) < count) {
      std::string o = candidate();
      if (std::find(options.begin(), options.end(), o) == options.end()) options.push_back(std::move(o));
    }
    return options;
  }

  Question TextChoice() {
    Question q;
    q.type = "选择";
    q.choice = true;
    q.score = rng_.Between(2, 4);
    std::string point;
    std::vector<std::string> options, answers;
    switch (rng_.Below(4)) {
      case 0: {
        q.text1 = "下列各数中，最大的是（　　）。";
        options = Options(4, [&] {
          const int v = rng_.Between(-99, 99);
          return (v < 0 ? "-" : "") + Num(std::abs(v) / 10) + "." + Num(std::abs(v) % 10);
        });
        std::string best;
        double bestValue = -1e9;
        for (const auto& o : options)
          if (std::stod(o) > bestValue) bestValue = std::stod(o), best = o;
        answers = {best};
        point = "分数运算";
        break;
      }
      case 1: {
        const int a = rng_.Between(2, 9), x = rng_.Between(-9, 9), b = rng_.Between(-20, 20);
        q.text1 = "方程 " + Linear(a, b) + " = " + Num(a * x + b) + " 的解是（　　）。";
        options = {"x = " + Num(x)};
        for (int d : {1, -1, 2, -2, 3})
          if (options.size() < 4 && x + d != -x) options.push_back("x = " + Num(x + d));
        if (options.size() < 4 && x != 0) options.push_back("x = " + Num(-x));
        rng_.Shuffle(options);
        answers = {"x = " + Num(x)};
        point = "一次方程";
        break;
      }
      case 2: {
        const auto& [category, members] = rng_.Pick(kSubstances);
        q.text1 = "下列物质中，属于" + category + "的是（　　）。";
        const std::string right = rng_.Pick(members);
        options = {right};
        while (options.size() < 4) {
          const auto& other = rng_.Pick(kSubstances);
          if (other.first == category) continue;
          const std::string o = rng_.Pick(other.second);
          if (std::find(options.begin(), options.end(), o) == options.end()) options.push_back(o);
        }
        std::rotate(options.begin(), options.begin() + rng_.Below(4), options.end());
        answers = {right};
        point = "酸碱盐";
        break;
      }
      default: {
        q.text1 = "下列各数中，是偶数的有（　　）。";
        options = Options(5, [&] { return Num(rng_.Between(10, 99)); });
        if (std::none_of(options.begin(), options.end(), [](const std::string& o) { return (o.back() - '0') % 2 == 0; }))
          options[static_cast<std::size_t>(rng_.Below(5))] = Num(rng_.Between(5, 49) * 2);
        for (const auto& o : options)
          if ((o.back() - '0') % 2 == 0 && std::find(answers.begin(), answers.end(), o) == answers.end())
            answers.push_back(o);
        point = "整数运算";
      }
    }
    q.text2 = JoinLines(options);
    q.answer = JoinLines(answers);
    q.knowledge = Points(point);
    return q;
  }

  Question FillIn() {
    Question q;
    q.type = "填空";
    q.score = rng_.Between(2, 4);
    std::string point;
    switch (rng_.Below(4)) {
      case 0: {
        const int a = rng_.Between(11, 99), b = rng_.Between(11, 99);
        q.text1 = "计算：" + Num(a) + " × " + Num(b) + " = ______。";
        q.answer = Num(a * b), point = "整数运算";
        break;
      }
      case 1: {
        const Element& e = rng_.Pick(kElements);
        q.text1 = std::string("元素“") + e.name + "”的元素符号是______。";
        q.answer = e.symbol, point = "元素符号";
        break;
      }
      case 2: {
        const int a = rng_.Between(2, 12), x = rng_.Between(-15, 15);
        q.text1 = "若 " + Num(a) + "x = " + Num(a * x) + "，则 x = ______。";
        q.answer = Num(x), point = "一次方程";
        break;
      }
      default: {
        const Couplet& c = rng_.Pick(kCouplets);
        if (rng_.Chance(50)) {
          q.text1 = std::string("“") + c.first + "，______。”（" + c.source + "）";
          q.answer = c.second;
        } else {
          q.text1 = std::string("“______，") + c.second + "。”（" + c.source + "）";
          q.answer = c.first;
        }
        point = "古诗文";
      }
    }
    q.knowledge = Points(point);
    return q;
  }

  Question TermQuestion() {
    Question q;
    q.type = "名词";
    q.score = rng_.Between(3, 5);
    const Term2& t = rng_.Pick(kTerms);
    static const char* const forms[][2] = {
        {"名词解释：", ""}, {"什么是", "？"}, {"请解释“", "”的含义。"}, {"简要说明", "的定义。"}};
    const auto& form = forms[rng_.Below(4)];
    q.text1 = std::string(form[0]) + t.term + form[1];
    q.answer = t.meaning;
    q.knowledge = Points(t.point);
    return q;
  }

  Question Essay() {
    Question q;
    q.type = "问答";
    q.score = rng_.Between(6, 15);
    std::string point;
    switch (rng_.Below(3)) {
      case 0: {
        const int a = rng_.Between(1, 5), h = rng_.Between(-6, 6), c = rng_.Between(-20, 20);
        const int b = -2 * a * h;
        q.text1 = "已知函数 f(x) = " + Term(a, "x²", true) + Term(b, "x", false) + Term(c, "", false) +
                  "，求 f(x) 的最小值及取得最小值时 x 的值。";
        q.answer = "f(x) = " + Term(a, "(x", true) + Term(-h, ")²", false) + Term(c - a * h * h, "", false) +
                   "，\r\n所以当 x = " + Num(h) + " 时，f(x) 取得最小值 " + Num(c - a * h * h) + "。";
        if (b == 0) q.answer = "当 x = 0 时，f(x) 取得最小值 " + Num(c) + "。";
        if (rng_.Chance(40)) q.text2 = "（要求写出主要解题步骤）";
        point = "二次函数";
        break;
      }
      case 1: {
        const int m = rng_.Between(1, 20), acc = rng_.Between(1, 6), t = rng_.Between(2, 10);
        q.text1 = "质量为 " + Num(m) + " kg 的物体静止在光滑水平面上，受到 " + Num(m * acc) +
                  " N 的水平拉力作用，求 " + Num(t) + " s 末物体的速度。";
        q.answer = "a = F / m = " + Num(m * acc) + " N / " + Num(m) + " kg = " + Num(acc) +
                   " m/s²，\r\nv = at = " + Num(acc) + " m/s² × " + Num(t) + " s = " + Num(acc * t) + " m/s。";
        point = "力与运动";
        break;
      }
      default: {
        const Topic& t = rng_.Pick(kTopics);
        q.text1 = std::string("简述") + t.title + "。";
        q.answer = t.answer;
        point = t.point;
      }
    }
    if (q.text2.empty() && rng_.Chance(3)) {
      // Now and then a question that is a picture alone.
      q.text1.clear();
      q.picture = Diagram(200, 150);
    }
    q.knowledge = Points(point);
    return q;
  }

  // Picture-option questions come in sets sharing their stem: two answered
  // with letters and two with circled digits, so each has its alternates.
  std::vector<Question> PictureOptionSet() {
    ++figureSets_;
    const std::string stem = "如图 " + Num(figureSets_ / 20 + 1) + "-" + Num(figureSets_ % 20 + 1) +
                             "所示，下列图形中是轴对称图形的是（　　）。";
    std::vector<Question> set;
    std::vector<std::string> used;
    for (int i = 0; i < 4; ++i) {
      Question q;
      q.type = "选择";
      q.choice = true;
      q.score = rng_.Between(2, 4);
      q.difficulty = rng_.Difficulty();
      q.text1 = stem;
      const auto& labels = i < 2 ? kLetters : kCircled;
      const int options = 4;
      std::string answer;
      do {
        answer.clear();
        const int first = rng_.Below(options);
        answer = labels[first];
        if (rng_.Chance(25))
          for (int j = first + 1; j < options; ++j)
            if (rng_.Chance(50)) answer += labels[j];
      } while (std::find(used.begin(), used.end(), answer) != used.end());
      used.push_back(answer);
      q.answer = answer;
      q.picture = OptionPanels(options, i < 2);
      q.knowledge = Points("轴对称");
      q.fixedScore = rng_.Chance(10);
      keys_.insert(Key(q));
      set.push_back(std::move(q));
    }
    return set;
  }

  std::vector<Question> Group(int members) {
    ++groups_;
    Question title;
    title.groupNumber = "0";
    title.difficulty = rng_.Difficulty();
    title.masked = rng_.Chance(5);
    std::vector<Question> rows;
    switch (rng_.Below(3)) {
      case 0: {
        title.type = "选择";
        title.groupName = "阅读理解" + Num(groups_);
        std::vector<std::string> sentences;
        for (int i = 0; i < 4; ++i) sentences.push_back(rng_.Pick(kPassageSentences));
        title.text1 = "阅读下面的短文，完成后面的小题。（短文" + Num(groups_) + "）\r\n" +
                      sentences[0] + sentences[1] + "\r\n" + sentences[2] + sentences[3];
        for (int i = 1; i <= members; ++i) {
          Question m;
          m.type = title.type;
          m.choice = true;
          m.score = rng_.Between(2, 4);
          m.text1 = "第 " + Num(i) + " 小题：与短文内容相符的一项是（　　）。";
          auto options = Options(4, [&] { return rng_.Pick(kPassageSentences); });
          m.text2 = JoinLines(options);
          m.answer = rng_.Pick(options);
          m.knowledge = Points("文学常识");
          rows.push_back(std::move(m));
        }
        break;
      }
      case 1: {
        title.type = "问答";
        title.groupName = "材料分析" + Num(groups_);
        const Topic& t = rng_.Pick(kTopics);
        title.text1 = "阅读材料，回答问题。（材料" + Num(groups_) + "）\r\n材料：某校兴趣小组围绕“" +
                      t.title + "”开展了专题学习。";
        for (int i = 1; i <= members; ++i) {
          Question m;
          m.type = title.type;
          m.score = rng_.Between(4, 10);
          const Topic& s = rng_.Pick(kTopics);
          m.text1 = "（" + Num(i) + "）结合材料，简述" + s.title + "。";
          m.answer = s.answer;
          m.knowledge = Points(s.point);
          rows.push_back(std::move(m));
        }
        break;
      }
      default: {
        title.type = "填空";
        title.groupName = "图表填空" + Num(groups_);
        title.text1 = "下图是某地一周的最高气温统计图，根据图中数据填空。（图表" + Num(groups_) + "）";
        std::vector<int> temps;
        for (int d = 0; d < 7; ++d) temps.push_back(rng_.Between(12, 35));
        title.picture = BarChart(temps);
        static const char* const days[] = {"一", "二", "三", "四", "五", "六", "日"};
        for (int i = 1; i <= members; ++i) {
          Question m;
          m.type = title.type;
          m.score = rng_.Between(1, 3);
          const int d = rng_.Below(7);
          m.text1 = "（" + Num(i) + "）星期" + days[d] + "的最高气温是______℃。";
          m.answer = Num(temps[static_cast<std::size_t>(d)]);
          m.knowledge = Points("统计图表");
          rows.push_back(std::move(m));
        }
      }
    }
    int sum = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      Question& m = rows[i];
      m.groupName = title.groupName;
      m.groupNumber = Num(static_cast<long long>(i) + 1);
      m.difficulty = title.difficulty;
      m.masked = title.masked || rng_.Chance(8);
      m.fixedScore = rng_.Chance(10);
      MakeUnique(m);
      if (!m.masked) sum += m.score;
    }
    title.score = title.masked ? 0 : sum;
    MakeUnique(title);
    rows.insert(rows.begin(), std::move(title));
    return rows;
  }

  // ---- pictures ----
  Bytes Diagram(int w, int h) {
    Canvas c(w, h, {250, 250, 246});
    const Rgb axis{40, 40, 40}, grid{215, 215, 215};
    for (int x = 10; x < w; x += 10) c.Line(x, 0, x, h - 1, grid);
    for (int y = 10; y < h; y += 10) c.Line(0, y, w - 1, y, grid);
    c.Line(0, h / 2, w - 1, h / 2, axis);
    c.Line(w / 2, 0, w / 2, h - 1, axis);
    const Rgb pen = rng_.Colour(0, 160);
    const double a = rng_.Between(1, 4) * 0.5, k = rng_.Between(1, 5) * 0.02;
    for (int x = 0; x < w; ++x) {
      const int y = h / 2 - static_cast<int>(a * h / 5 * std::sin((x - w / 2) * k * 3));
      c.Disc(x, y, 1, pen);
    }
    if (rng_.Chance(50)) c.Disc(rng_.Between(10, w - 10), rng_.Between(10, h - 10), rng_.Between(3, 8), rng_.Colour(60, 220));
    return EncodeJpeg(c);
  }

  Bytes OptionPanels(int count, bool lettered) {
    const int panel = 60, w = panel * count, h = panel + 10;
    Canvas c(w, h, {255, 255, 255});
    for (int i = 0; i < count; ++i) {
      const int x0 = i * panel;
      c.Frame(x0 + 2, 2, x0 + panel - 3, panel - 3, {120, 120, 120});
      const Rgb fill = rng_.Colour(30, 200);
      switch (rng_.Below(4)) {
        case 0: c.Disc(x0 + panel / 2, panel / 2, 18, fill); break;
        case 1: c.Rect(x0 + 14, 14, x0 + panel - 15, panel - 15, fill); break;
        case 2: c.Triangle(x0 + 10, 12, x0 + panel - 11, panel - 12, fill); break;
        default:
          c.Rect(x0 + 10, 20, x0 + panel - 25, panel - 12, fill);
          c.Disc(x0 + panel - 18, 18, 8, fill);
      }
      // Label marks under each panel: bars for letters, dots for circled digits.
      for (int j = 0; j <= i; ++j) {
        if (lettered)
          c.Rect(x0 + 8 + j * 6, panel + 2, x0 + 11 + j * 6, panel + 7, {0, 0, 0});
        else
          c.Disc(x0 + 10 + j * 6, panel + 4, 2, {0, 0, 0});
      }
    }
    return EncodeJpeg(c);
  }

  Bytes BarChart(const std::vector<int>& values) {
    const int bar = 18, w = static_cast<int>(values.size()) * (bar + 8) + 20, h = 120;
    Canvas c(w, h, {255, 255, 255});
    c.Line(10, h - 10, w - 5, h - 10, {0, 0, 0});
    c.Line(10, 5, 10, h - 10, {0, 0, 0});
    for (std::size_t i = 0; i < values.size(); ++i) {
      const int x0 = 16 + static_cast<int>(i) * (bar + 8);
      c.Rect(x0, h - 10 - values[i] * 3, x0 + bar, h - 11, {70, 120, 200});
    }
    return EncodeJpeg(c);
  }

  // ---- duplicates ----
  static std::string Key(const Question& q) { return q.text1 + q.text2 + std::string(1, '\0') + q.answer; }

  // No two questions of a bank may be the same; a numbered note sets apart
  // the rare repeat of a drawn text.
  void MakeUnique(Question& q) {
    while (!keys_.insert(Key(q)).second) q.text1 += "（" + Num(++repeats_) + "）";
  }

  Rng rng_;
  std::unordered_set<std::string> keys_;
  int figureSets_ = 0, groups_ = 0, repeats_ = 0;
};

}  // namespace

bool WriteSampleBank(recfile::RecordFileEngine& engine, const std::string& path, int questions,
                     unsigned seed, const std::string& password, std::string* error) {
  auto fail = [&](const std::string& what) {
    if (error) *error = what + recfile::ErrorText(engine.LastError());
    return false;
  };
  if (questions < 0) {
    if (error) *error = "试题数目不能为负数";
    return false;
  }
  if (engine.IsOpen(path)) {
    if (error) *error = "题库 " + path + " 已经打开";
    return false;
  }
  if (!engine.Create(path, QuestionBankFields())) return fail("创建题库失败：");
  if (!engine.Open(path, {}, false, recfile::ShareMode::None, std::string())) return fail("打开题库失败：");
  const std::string full = engine.CurrentPath();

  Generator generator(seed);
  int written = 0;
  while (written < questions) {
    for (const Question& q : generator.NextUnit(questions - written)) {
      if (!engine.Append(q.ToValues())) {
        fail("写入试题失败：");
        engine.Close(full);
        return false;
      }
      ++written;
    }
  }
  if (!password.empty() && !engine.SetPassword(password)) {
    fail("设置题库密码失败：");
    engine.Close(full);
    return false;
  }
  engine.Close(full);
  return true;
}

}  // namespace samples
