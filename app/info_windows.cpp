#include "app/info_windows.h"

#include <vector>

#include "text/text.h"
#include "ui/layout.h"

namespace app {

namespace L = ui::layout;

std::string ProgramDescriptionText() {
  // Paragraphs start indented by two character widths; the title lines are
  // centred over the paragraphs.
  const std::vector<std::string> lines = {
      "",
      "                        墨川题库与组卷系统",
      "                               2.0",
      "",
      "    本系统以课程为单位存放与操作试题，一次编写题库，无限次组卷使用，",
      "方便、快捷、高效，适用于各级各类试题，包括英语和医学试卷使用的一个",
      "题干带多道小题的形式。",
      "",
      "    本系统可任意方便地添加、删除课程和题型，每道试题题目可使用2段文",
      "本和1幅图片，答案可使用1段文本和1幅图片。课程题库可导出导入，导入时",
      "自动排除重复试题，这样同一课程题库可分工编写试题，再通过导出、导入",
      "进行整合。",
      "",
      "    本系统可进行人工组卷和自动组卷。对不想利用的试题可进行屏蔽。自动",
      "组卷时相同知识点（不包括空知识点）不会重复。可单独或同时组A、B卷，并",
      "可对A、B卷的相似度进行控制。组卷设计时即刻显示题型和分数。可批量调整",
      "题型分值。",
      "",
      "    本系统可将组好的试卷及其答案输出为word（优先）文档或html文档，题",
      "型题目自动编号，全卷小题可连续编号，并可调整试卷的题型顺序。",
  };
  return text::JoinLines(lines);
}

DescriptionWindow::DescriptionWindow(ui::Host& host)
    : ui::Window(host, "程序说明", 509, 488), 编辑框说明(*this, "编辑框说明") {
  编辑框说明.setMultiLine(true);
  编辑框说明.setReadOnly(true);
  编辑框说明.setText(ProgramDescriptionText());
  编辑框说明.setGeometry({8, 8, 493, 472});
  setLayout(L::column({L::unit(编辑框说明, 1)}));
}

AboutWindow::AboutWindow(ui::Host& host)
    : ui::Window(host, "关于", 245, 179),
      标签名称(*this, "标签名称", "墨川题库与组卷系统 2.0"),
      标签说明(*this, "标签说明", "题库编写与A、B卷组卷"),
      确定(*this, "确定", "确定") {
  标签名称.setGeometry({20, 30, 205, 20});
  标签说明.setGeometry({20, 62, 205, 20});
  确定.setGeometry({82, 124, 80, 28});
  确定.onClick = [this] { Close(); };
  setLayout(L::column({
      L::stretch(1),
      L::row({L::stretch(1), L::unit(标签名称), L::stretch(1)}),
      L::row({L::stretch(1), L::unit(标签说明), L::stretch(1)}),
      L::stretch(1),
      L::row({L::stretch(1), L::unit(确定), L::stretch(1)}),
  }));
}

PlaceholderWindow::PlaceholderWindow(ui::Host& host, const std::string& caption)
    : ui::Window(host, caption, 300, 130),
      标签1(*this, "标签1", "“" + caption + "”窗口不在本程序的这个版本中。"),
      确定(*this, "确定", "确定") {
  标签1.setGeometry({16, 24, 268, 40});
  确定.setGeometry({110, 80, 80, 28});
  确定.onClick = [this] { Close(); };
  setLayout(L::column({
      L::unit(标签1, 1),
      L::row({L::stretch(1), L::unit(确定), L::stretch(1)}),
  }));
}

}  // namespace app
