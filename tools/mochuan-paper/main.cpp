// mochuan-paper: papers from the command line, without a window.
//   paper mode: --plan FILE --paper A|B   (paper_mode.cpp)
//   draw mode:  --draw "题型:分值:题数,…"   (autocompose/draw_command.cpp)
// Each mode lives in its own file; main() only picks one.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "autocompose/draw_command.h"

#include "tools/mochuan-paper/command_line.h"
#include "tools/mochuan-paper/paper_mode.h"

namespace {

const char kUsage[] =
    "用法：\n"
    "  mochuan-paper --data-dir 目录 --course 课程 [--password 密码] --plan 方案.mcplan\n"
    "                --paper A|B [--format html|docx|pdf|moodle-xml] [--out 目录] [--seed N]\n"
    "                [--stamp YYYYMMDDhhmmss]\n"
    "      按组卷方案生成 A 卷或 B 卷及其答案，输出两个文档的路径（每行一个）。\n"
    "      随机数从 1（或 --seed N）开始，与程序刚启动时生成的试卷相同；\n"
    "      --stamp 固定生成时间戳（默认：现在）；--out 默认是当前目录。\n"
    "  失败时在标准错误输出一行原因，退出码 2。\n"
    "\n";

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || paper_tool::Mentions(args, "--help") || paper_tool::Mentions(args, "-h")) {
    std::FILE* to = args.empty() ? stderr : stdout;
    std::fputs(kUsage, to);
    std::fputs("  ", to);
    std::fputs(autocompose::kDrawUsage, to);
    std::fputs("      自动抽题并保存为组卷方案；方案无法满足时退出码 3。\n", to);
    return args.empty() ? paper_tool::kExitFailure : paper_tool::kExitOk;
  }
  if (paper_tool::Mentions(args, "--draw")) return autocompose::DrawCommand(args, std::cout, std::cerr);
  return paper_tool::RunPaperMode(args);
}
