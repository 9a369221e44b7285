// The Qt host's services that need no person: filters, colour schemes,
// line counting, clipboard, images, timers and the temporary folder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <filesystem>
#include <fstream>
#include <optional>
#include <QImage>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "qt_test_support.h"
#include "ui/qt/colour_schemes.h"
#include "ui/qt/qt_host.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/remembered_settings.h"
#include "ui/qt/window_view.h"
#include "ui/units.h"
#include "ui/window.h"

namespace {

using ui::qt::QtHost;

class HostTest : public ::testing::Test, protected qt_test::WithApp {
 protected:
  HostTest() { qt_test::app(); }
  QtHost host;
};

TEST(QtFilterTest, WindowsFilterStringsBecomeQtFilters) {
  struct Case {
    const char* given;
    const char* expected;
  };
  const Case cases[] = {
      {"所有图片文件|*.jpg;*.bmp;*.png", "所有图片文件 (*.jpg *.bmp *.png)"},
      {"题库文件(*.edb)|*.edb|所有文件|*.*", "题库文件(*.edb) (*.edb);;所有文件 (*.*)"},
      {"只有说明", "只有说明"},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.given);
    EXPECT_EQ(ui::qt::ToQtFilter(c.given), QString::fromUtf8(c.expected));
  }
}

TEST_F(HostTest, SwitchingTheColourSchemeRepaintsAnOpenWindow) {
  ui::Window w(host, "主窗口", 200, 100);
  ui::Button b(w, "按钮1", "确定");
  ui::qt::WindowView* view = host.OpenView(w, nullptr, false);
  ASSERT_NE(view, nullptr);
  QWidget* button = view->WidgetFor(b);
  std::vector<QColor> seen;
  for (int scheme : {1, 2, 3}) {
    host.SetColourScheme(scheme);
    qt_test::settle();
    EXPECT_EQ(host.colourScheme(), scheme);
    EXPECT_EQ(view->palette().color(QPalette::Window),
              ui::qt::SchemePalette(scheme).color(QPalette::Window));
    seen.push_back(button->palette().color(QPalette::Button));
  }
  EXPECT_NE(seen[0], seen[1]);
  EXPECT_NE(seen[1], seen[2]);
  EXPECT_NE(seen[0], seen[2]);
  host.SetColourScheme(1);
  w.Close();
}

TEST_F(HostTest, LinesAreCountedAsAWrappingEditBoxOfTheGivenWidthWould) {
  const ui::Font font{"宋体", 19, false};
  EXPECT_EQ(host.CountTextLines(300, "", font), 1);
  EXPECT_EQ(host.CountTextLines(300, "短", font), 1);
  const std::string line(60 * 3, '\0');
  std::string chinese;
  for (int i = 0; i < 60; ++i) chinese += "题";
  // 60 characters of 19 px in a box 300 px wide: several lines, more when
  // the box is narrower, one when it is wide enough.
  const int wide = host.CountTextLines(2000, chinese, font);
  const int medium = host.CountTextLines(300, chinese, font);
  const int narrow = host.CountTextLines(150, chinese, font);
  EXPECT_EQ(wide, 1);
  EXPECT_GE(medium, 4);
  EXPECT_GT(narrow, medium);
  // CR LF starts a new line; an empty paragraph is a line too.
  EXPECT_EQ(host.CountTextLines(2000, "甲\r\n乙\r\n\r\n丙", font), 4);
}

TEST_F(HostTest, ClipboardCarriesTextAsCrLfLinesAndImagesPixelForPixel) {
  host.SetClipboardText("第一行\r\n第二行");
  EXPECT_EQ(host.ClipboardText(), std::optional<std::string>("第一行\r\n第二行"));

  ui::Image image;
  image.width = 2;
  image.height = 2;
  image.pixels = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
  host.SetClipboardImage(image);
  const std::optional<ui::Image> back = host.ClipboardImage();
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->width, 2);
  EXPECT_EQ(back->pixels, image.pixels);
}

TEST_F(HostTest, ImageFilesAreDecodedAndGarbageIsRefused) {
  QImage source(3, 2, QImage::Format_ARGB32);
  source.fill(QColor(10, 20, 30));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(source.save(&buffer, "PNG"));
  const ui::Bytes file(bytes.begin(), bytes.end());
  const std::optional<ui::Image> image = host.DecodeImage(file);
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->width, 3);
  EXPECT_EQ(image->height, 2);
  EXPECT_EQ(image->pixels[0], 0xFF0A141Eu);
  EXPECT_FALSE(host.DecodeImage(ui::Bytes{'n', 'o', 't'}).has_value());
  EXPECT_FALSE(host.DecodeImage({}).has_value());
}

TEST_F(HostTest, StoredClipboardBitmapsWithTheirLongInformationBlockAreDecoded) {
  // 2 x 1 pixels, 24 bits: file header, a 40-byte header saying 44, the
  // empty colour-table slot, then one padded row (blue, green, red order).
  ui::Bytes bmp(58 + 8, 0);
  auto put = [&bmp](std::size_t at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) bmp[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  bmp[0] = 'B';
  bmp[1] = 'M';
  put(2, 66, 4);   // file size
  put(10, 58, 4);  // pixel offset
  put(14, 44, 4);  // information block size as stored
  put(18, 2, 4);   // width
  put(22, 1, 4);   // height
  put(26, 1, 2);   // planes
  put(28, 24, 2);  // bits per pixel
  put(34, 8, 4);   // image size
  put(58, 0xFF0000, 3);  // red
  put(61, 0x0000FF, 3);  // blue
  const std::optional<ui::Image> image = host.DecodeImage(bmp);
  ASSERT_TRUE(image.has_value());
  ASSERT_EQ(image->width, 2);
  EXPECT_EQ(image->pixels[0], 0xFFFF0000u);  // red
  EXPECT_EQ(image->pixels[1], 0xFF0000FFu);  // blue
}

TEST_F(HostTest, ATimerTicksUntilItsIntervalIsZero) {
  ui::Window w(host, "计时", 100, 100);
  ui::Timer timer(w, "时钟1");
  int ticks = 0;
  timer.onTick = [&] {
    if (++ticks == 3) timer.setInterval(0);
  };
  timer.setInterval(5);
  QTest::qWait(200);
  EXPECT_EQ(ticks, 3);
}

TEST_F(HostTest, TheTemporaryFolderIsPrivateToTheUser) {
  qt_test::ScratchDir dir;
  const std::string runtime = dir.str() + "/run";
  ::mkdir(runtime.c_str(), 0700);
  const char* before = std::getenv("XDG_RUNTIME_DIR");
  const std::string saved = before ? before : "";
  ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  QtHost fresh;
  const std::string folder = fresh.TemporaryFolder();
  if (before) ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1); else ::unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(folder, runtime + "/mochuan");
  struct stat st {};
  ASSERT_EQ(::stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(st.st_uid, ::getuid());
}

TEST_F(HostTest, AutomationAnswersMessageBoxesAndLogsThem) {
  std::vector<std::string> lines;
  QtHost::Automation automation;
  automation.onMessage = [](std::string_view, std::string_view text, ui::MessageButtons) {
    return std::optional<int>(text == "确定要删除吗？" ? ui::kButtonCancel : ui::kButtonOk);
  };
  automation.log = [&](const std::string& line) { lines.push_back(line); };
  host.setAutomation(automation);
  EXPECT_EQ(host.MessageBox(nullptr, "确定要删除吗？", "信息：", ui::MessageButtons::OkCancel,
                            ui::MessageIcon::Question),
            ui::kButtonCancel);
  EXPECT_EQ(lines, std::vector<std::string>{"message 信息： 确定要删除吗？"});
}

TEST_F(HostTest, AMessageBoxHasTheGivenCaptionButtonsAndIcon) {
  auto box = QtHost::MakeMessageBox(nullptr, "旧密码错误！", "信息：", ui::MessageButtons::YesNoCancel,
                                    ui::MessageIcon::Warning);
  EXPECT_EQ(box->windowTitle(), QStringLiteral("信息："));
  EXPECT_EQ(box->text(), QStringLiteral("旧密码错误！"));
  EXPECT_EQ(box->icon(), QMessageBox::Warning);
  EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  EXPECT_EQ(box->button(QMessageBox::Yes)->text(), QStringLiteral("是"));
  // Pressing a button gives its number.
  QTimer::singleShot(0, [] {
    if (auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
      shown->button(QMessageBox::No)->click();
  });
  EXPECT_EQ(host.MessageBox(nullptr, "要保存吗？", "信息：", ui::MessageButtons::YesNoCancel,
                            ui::MessageIcon::Question),
            ui::kButtonNo);
}



// ---- What is remembered between runs ------------------------------------------------

class RememberedTest : public HostTest {
 protected:
  std::string file() const { return (dir.path() / "config" / "mochuan" / "mochuan.conf").string(); }
  qt_test::ScratchDir dir;
};

TEST_F(RememberedTest, TheSchemeAndEachWindowsPlaceComeBackInTheNextRun) {
  {
    QtHost first;
    first.rememberIn(ui::qt::RememberedSettings(file()));
    EXPECT_EQ(first.RememberedColourScheme(1), 1);  // nothing remembered yet
    first.SetColourScheme(3);
    ui::Window w(first, "题库编辑", 300, 200);
    ui::qt::WindowView* view = first.OpenView(w, nullptr, false);
    ASSERT_NE(view, nullptr);
    view->resize(420, 330);
    view->move(40, 50);
    qt_test::settle();
    w.Close();
  }
  QtHost next;
  next.rememberIn(ui::qt::RememberedSettings(file()));
  EXPECT_EQ(next.RememberedColourScheme(1), 3);
  ui::Window again(next, "题库编辑", 300, 200);
  ui::qt::WindowView* view = next.OpenView(again, nullptr, false);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->size(), QSize(420, 330));
  EXPECT_EQ(view->pos(), QPoint(40, 50));
  // A window built at another size (a preview fitted to its question) keeps
  // its own size and takes only the place.
  ui::Window other(next, "题库编辑", 500, 100);
  again.Close();
  view = next.OpenView(other, nullptr, false);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->size().width(), 500);
  other.Close();
}

TEST_F(RememberedTest, AMissingOrDamagedFileGivesTheDefaults) {
  struct Case {
    const char* name;
    std::optional<std::string> content;  // nullopt: no file
  };
  const std::vector<Case> cases = {
      {"missing", std::nullopt},
      {"empty", ""},
      {"binary garbage", std::string("\0\xff\xfe=\x01\n==\n", 10)},
      {"values out of range", "colour-scheme=7\nwindow.题库编辑=1,2,-5,0,300,200\n"},
      {"values that are no numbers", "colour-scheme=blue\nwindow.题库编辑=a,b,c,d,e,f\n"},
      {"too few numbers", "colour-scheme=\nwindow.题库编辑=10,20,400\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(dir.path() / "config");
    if (c.content) {
      std::filesystem::create_directories(dir.path() / "config" / "mochuan");
      std::ofstream(file(), std::ios::binary) << *c.content;
    }
    ui::qt::RememberedSettings settings(file());
    EXPECT_EQ(settings.colourScheme(1), 1);
    EXPECT_FALSE(settings.windowPlace("题库编辑").has_value());
    // And it is written afresh on the next change.
    settings.SetColourScheme(2);
    EXPECT_EQ(ui::qt::RememberedSettings(file()).colourScheme(1), 2);
  }
}

TEST(PlaceInsideTest, AWindowIsMovedAndIfNeedBeShrunkIntoTheAvailableArea) {
  const QRect screen(0, 0, 1280, 800);
  struct Case {
    QRect frame;
    QRect expected;
  };
  const Case cases[] = {
      {{100, 100, 400, 300}, {100, 100, 400, 300}},    // inside already
      {{100, 700, 400, 300}, {100, 500, 400, 300}},    // below the bottom
      {{-50, -20, 400, 300}, {0, 0, 400, 300}},        // off the top left
      {{1000, 100, 400, 300}, {880, 100, 400, 300}},   // past the right edge
      {{10, 10, 1600, 1000}, {0, 0, 1280, 800}},       // larger than the screen
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.frame.x());
    EXPECT_EQ(ui::qt::placeInside(c.frame, screen), c.expected);
  }
}

}  // namespace
