#include <string>

#include "compose/compose_window.h"
#include "ui/layout.h"

namespace compose {

namespace {
const char kHelpText[] =
    "一、选题\r\n"
    "在“A卷”或“B卷”列中勾选试题，即把该题选入A卷或B卷。分组试题整组选入或取消；"
    "屏蔽的试题和分值为0的试题不能选入。每次选题后，右侧显示各题型分值、试卷总分和A、B卷相似度。"
    "在表格上单击右键可以按当前列排序；在定分、屏蔽、A卷、B卷列中还可以对选定的行全选、清空或取反。"
    "双击试题可以预览题目。\r\n"
    "\r\n"
    "二、修改试题\r\n"
    "难度、分值、定分和屏蔽可以直接在表格中修改，修改立即保存到题库。分组的难度在标题试题上修改；"
    "标题试题的分值是未屏蔽子试题分值之和，不能直接修改。\r\n"
    "\r\n"
    "三、题型排序和批量调分\r\n"
    "在“排序”列输入数字可以调整题型在试卷中的顺序（例如输入2.5排在2和3之间）；"
    "在“调分”列输入分值，可以把该题型中所有未定分的试题改为该分值；"
    "“答案换行”决定该题型的答案是否每题一行。在题型行上单击右键可以设置该行的颜色。\r\n"
    "\r\n"
    "四、大题编号\r\n"
    "在大题编号列表上单击右键，选择“编号设置”，可以添加大题编号类型或更多的大题编号。\r\n"
    "\r\n"
    "五、方案\r\n"
    "“方案”菜单可以把当前选题和输出选择保存为方案文件（.mcplan），以后打开方案即可恢复选题，"
    "也可以用命令 mochuan-paper 由方案生成试卷。\r\n"
    "\r\n"
    "六、自动组卷\r\n"
    "“自动组卷”按各题型的计划题数随机抽题，抽题的难度范围由“自动组卷难度”中的最低和最高难度决定。\r\n";
}  // namespace

ComposeHelpWindow::ComposeHelpWindow(ui::Host& host)
    : ui::Window(host, "组卷帮助", 560, 420), 编辑框1(*this, "编辑框1", kHelpText) {
  编辑框1.setMultiLine(true);
  编辑框1.setReadOnly(true);
  setLayout(ui::layout::column({ui::layout::unit(编辑框1, 1)}));
}

}  // namespace compose
