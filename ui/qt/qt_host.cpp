#include "ui/qt/qt_host.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QFileDialog>
#include <QImage>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPointer>
#include <QProxyStyle>
#include <QScreen>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyleFactory>
#include <QTextLayout>
#include <QTimer>
#include <QTranslator>
#include <QUrl>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "text/text.h"
#include "ui/menu.h"
#include "ui/qt/colour_schemes.h"
#include "ui/qt/images.h"
#include "ui/qt/menus.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/window_view.h"
#include "ui/units.h"
#include "ui/window.h"

namespace ui::qt {

namespace {

// Borders and inner margins of a multi-line edit box: the text has the
// box's width less these.
constexpr int kEditBoxFrame = 6;

// Fusion, with "*" shown for each character of a password.
class ProgramStyle : public QProxyStyle {
 public:
  ProgramStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return '*';
    return QProxyStyle::styleHint(hint, option, widget, data);
  }
};

struct ButtonSpec {
  QMessageBox::StandardButton button;
  int answer;
  const char* text;
};

std::vector<ButtonSpec> buttonsOf(MessageButtons b) {
  const ButtonSpec ok{QMessageBox::Ok, kButtonOk, "确定"};
  const ButtonSpec cancel{QMessageBox::Cancel, kButtonCancel, "取消"};
  const ButtonSpec abort{QMessageBox::Abort, kButtonAbort, "中止"};
  const ButtonSpec retry{QMessageBox::Retry, kButtonRetry, "重试"};
  const ButtonSpec ignore{QMessageBox::Ignore, kButtonIgnore, "忽略"};
  const ButtonSpec yes{QMessageBox::Yes, kButtonYes, "是"};
  const ButtonSpec no{QMessageBox::No, kButtonNo, "否"};
  switch (b) {
    case MessageButtons::Ok: return {ok};
    case MessageButtons::OkCancel: return {ok, cancel};
    case MessageButtons::AbortRetryIgnore: return {abort, retry, ignore};
    case MessageButtons::YesNoCancel: return {yes, no, cancel};
    case MessageButtons::YesNo: return {yes, no};
    case MessageButtons::RetryCancel: return {retry, cancel};
  }
  return {ok};
}

QMessageBox::Icon iconOf(MessageIcon i) {
  switch (i) {
    case MessageIcon::Error: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Information: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

std::optional<Image> toImage(const QImage& source) {
  if (source.isNull()) return std::nullopt;
  const QImage img = source.convertToFormat(QImage::Format_ARGB32);
  Image out;
  out.width = img.width();
  out.height = img.height();
  out.pixels.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
  for (int y = 0; y < out.height; ++y) {
    const auto* line = reinterpret_cast<const std::uint32_t*>(img.constScanLine(y));
    std::copy(line, line + out.width,
              out.pixels.begin() + static_cast<std::ptrdiff_t>(y) * out.width);
  }
  return out;
}

QImage toQImage(const Image& image) {
  if (image.empty() ||
      image.pixels.size() < static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height))
    return {};
  QImage img(image.width, image.height, QImage::Format_ARGB32);
  for (int y = 0; y < image.height; ++y) {
    auto* line = reinterpret_cast<std::uint32_t*>(img.scanLine(y));
    const auto from = image.pixels.begin() + static_cast<std::ptrdiff_t>(y) * image.width;
    std::copy(from, from + image.width, line);
  }
  return img;
}

// A directory of this user's own, not reachable by others; false when the
// path is taken by something else.
bool makePrivateDir(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) return false;
  if ((st.st_mode & 077) != 0 && ::chmod(path.c_str(), 0700) != 0) return false;
  return true;
}

bool desktopHandles(const QString& mime) {
  const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
  if (!program.isEmpty()) {
    QProcess p;
    p.start(program, {QStringLiteral("query"), QStringLiteral("default"), mime});
    if (p.waitForFinished(5000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
      return !p.readAllStandardOutput().trimmed().isEmpty();
    return false;
  }
  // No xdg-utils: look for an installed application that claims the type.
  for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
    QDirIterator it(dir, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      QFile f(it.next());
      if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) continue;
      while (!f.atEnd()) {
        const QByteArray line = f.readLine();
        if (line.startsWith("MimeType=") && line.contains(mime.toUtf8())) return true;
      }
    }
  }
  return false;
}

}  // namespace

int CountWrappedLines(int width, std::string_view text, const QFont& font) {
  if (text.empty()) return 1;
  const qreal room = std::max(1, width - kEditBoxFrame);
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  int lines = 0;
  for (const QString& paragraph : ToQLines(text).split(QLatin1Char('\n'))) {
    if (paragraph.isEmpty()) {
      ++lines;
      continue;
    }
    QTextLayout layout(paragraph, font);
    layout.setTextOption(option);
    layout.beginLayout();
    int n = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(room);
      ++n;
    }
    layout.endLayout();
    lines += std::max(1, n);
  }
  return std::max(1, lines);
}

// ---- Construction ---------------------------------------------------------------

QtHost::QtHost() : guard_(std::make_unique<QObject>()) {
  clock_.start();
  QApplication::setStyle(new ProgramStyle);
  QApplication::setFont(WindowFont());
  QApplication::setQuitOnLastWindowClosed(false);
  auto* translator = new QTranslator(qApp);
  if (translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                       QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(translator);
  else
    delete translator;
  ApplyColourScheme(scheme_);
}

QtHost::~QtHost() {
  guard_.reset();
  for (auto& [timer, qtimer] : timers_) delete qtimer;
  std::vector<QPointer<WindowView>> views;
  for (auto& [window, view] : views_) views.emplace_back(view);
  views_.clear();
  for (QPointer<WindowView>& view : views) {
    if (!view) continue;  // went with its parent
    view->Detach();
    delete view.data();
  }
}

void QtHost::Log(const std::string& line) const {
  if (automation_.log) automation_.log(line);
}

QWidget* QtHost::ParentFor(const Window* owner) const {
  if (owner)
    if (WindowView* v = ViewOf(*owner)) return v;
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return QApplication::activeWindow();
}

// ---- Dialogs -----------------------------------------------------------------------

std::unique_ptr<QMessageBox> QtHost::MakeMessageBox(QWidget* parent, std::string_view text,
                                                    std::string_view caption,
                                                    MessageButtons buttons, MessageIcon icon) {
  auto box = std::make_unique<QMessageBox>(parent);
  box->setWindowTitle(ToQ(caption));
  box->setText(ToQLines(text));
  box->setTextFormat(Qt::PlainText);
  box->setIcon(iconOf(icon));
  QMessageBox::StandardButtons set;
  const std::vector<ButtonSpec> specs = buttonsOf(buttons);
  for (const ButtonSpec& s : specs) set |= s.button;
  box->setStandardButtons(set);
  for (const ButtonSpec& s : specs) box->button(s.button)->setText(QString::fromUtf8(s.text));
  box->setDefaultButton(specs.front().button);
  return box;
}

int QtHost::MessageBox(const Window* owner, std::string_view text, std::string_view caption,
                       MessageButtons buttons, MessageIcon icon) {
  Log("message " + std::string(caption) + " " + std::string(text));
  if (automation_.onMessage)
    if (std::optional<int> answer = automation_.onMessage(caption, text, buttons)) return *answer;
  std::unique_ptr<QMessageBox> box = MakeMessageBox(ParentFor(owner), text, caption, buttons, icon);
  box->exec();
  const QMessageBox::StandardButton pressed = box->standardButton(box->clickedButton());
  for (const ButtonSpec& s : buttonsOf(buttons))
    if (s.button == pressed) return s.answer;
  return dismissAnswer(buttons);
}

std::unique_ptr<QInputDialog> QtHost::MakeInputDialog(QWidget* parent, std::string_view prompt,
                                                      std::string_view caption,
                                                      std::string_view initial, bool masked) {
  auto dialog = std::make_unique<QInputDialog>(parent);
  dialog->setWindowTitle(ToQ(caption));
  dialog->setLabelText(ToQLines(prompt));
  dialog->setTextValue(ToQ(initial));
  dialog->setTextEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
  dialog->setOkButtonText(QStringLiteral("确定"));
  dialog->setCancelButtonText(QStringLiteral("取消"));
  return dialog;
}

std::optional<std::string> QtHost::InputBox(const Window* owner, std::string_view prompt,
                                            std::string_view caption, std::string_view initial,
                                            bool masked) {
  Log("input " + std::string(caption) + " " + std::string(prompt));
  if (automation_.cancelDialogs) return std::nullopt;
  std::unique_ptr<QInputDialog> dialog = MakeInputDialog(ParentFor(owner), prompt, caption, initial, masked);
  if (dialog->exec() != QDialog::Accepted) return std::nullopt;
  return ToStd(dialog->textValue());
}

std::optional<std::string> QtHost::OpenFileDialog(const Window* owner, std::string_view filter,
                                                  std::string_view title) {
  Log("open-file " + std::string(filter));
  if (automation_.cancelDialogs) return std::nullopt;
  const QString path = QFileDialog::getOpenFileName(
      ParentFor(owner), title.empty() ? QStringLiteral("打开") : ToQ(title), QString(),
      ToQtFilter(filter));
  if (path.isEmpty()) return std::nullopt;
  return ToStd(path);
}

std::optional<std::string> QtHost::SaveFileDialog(const Window* owner, std::string_view filter,
                                                  std::string_view title,
                                                  std::string_view suggested) {
  Log("save-file " + std::string(filter));
  if (automation_.cancelDialogs) return std::nullopt;
  const QString path = QFileDialog::getSaveFileName(
      ParentFor(owner), title.empty() ? QStringLiteral("保存") : ToQ(title), ToQ(suggested),
      ToQtFilter(filter));
  if (path.isEmpty()) return std::nullopt;
  return ToStd(path);
}

std::optional<std::string> QtHost::ChooseFolder(const Window* owner, std::string_view prompt) {
  Log("folder " + std::string(prompt));
  if (automation_.cancelDialogs) return std::nullopt;
  const QString path = QFileDialog::getExistingDirectory(ParentFor(owner), ToQ(prompt));
  if (path.isEmpty()) return std::nullopt;
  return ToStd(path);
}

std::optional<Rgb> QtHost::ChooseColour(const Window* owner, Rgb initial) {
  Log("colour");
  if (automation_.cancelDialogs) return std::nullopt;
  const QColor c = QColorDialog::getColor(QColor(redOf(initial), greenOf(initial), blueOf(initial)),
                                          ParentFor(owner), QStringLiteral("颜色"));
  if (!c.isValid()) return std::nullopt;
  return rgb(c.red(), c.green(), c.blue());
}

// ---- Clipboard and images ------------------------------------------------------------

std::optional<std::string> QtHost::ClipboardText() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (!data || !data->hasText()) return std::nullopt;
  return FromQLines(data->text());
}

void QtHost::SetClipboardText(std::string_view text) {
  QGuiApplication::clipboard()->setText(ToQLines(text));
}

std::optional<Image> QtHost::ClipboardImage() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (!data || !data->hasImage()) return std::nullopt;
  return toImage(QGuiApplication::clipboard()->image());
}

void QtHost::SetClipboardImage(const Image& image) {
  const QImage img = toQImage(image);
  if (!img.isNull()) QGuiApplication::clipboard()->setImage(img);
}

std::optional<Image> QtHost::DecodeImage(const Bytes& fileBytes) {
  if (fileBytes.empty()) return std::nullopt;
  const QImage img = DecodeImageBytes(fileBytes.data(), fileBytes.size());
  if (img.isNull()) return std::nullopt;
  return toImage(img);
}

bool QtHost::OpenDocument(const std::string& path) {
  Log("open " + path);
  return QDesktopServices::openUrl(QUrl::fromLocalFile(ToQ(path)));
}

// ---- Windows -------------------------------------------------------------------------

WindowView* QtHost::ViewOf(const Window& window) const {
  auto it = views_.find(&window);
  return it == views_.end() ? nullptr : it->second;
}

WindowView* QtHost::OpenView(Window& window, Window* owner, bool modal) {
  if (WindowView* old = ViewOf(window)) {
    // Shown again while still open: bring it forward.
    old->raise();
    old->activateWindow();
    return old;
  }
  QWidget* parent = owner ? ViewOf(*owner) : nullptr;
  if (!parent && modal) parent = QApplication::activeModalWidget();
  auto* view = new WindowView(window, *this, parent, modal);
  view->setPalette(QApplication::palette());
  PlaceView(*view, window, parent);
  views_[&window] = view;
  // Deleted with its parent's view: forget it, it no longer stands for
  // the window.
  QObject::connect(view, &QObject::destroyed, guard_.get(), [this, w = &window, view] {
    auto it = views_.find(w);
    if (it != views_.end() && it->second == view) views_.erase(it);
  });
  closedConnections_[&window] = window.closed().Connect([this, &window] { WindowClosed(window); });
  Log("window " + window.caption());
  window.Open(modal, owner);
  if (window.isOpen() && view->attached() && !view->isVisible() && window.visible()) view->show();
  return window.isOpen() ? view : nullptr;
}

void QtHost::PlaceView(WindowView& view, const Window& window, QWidget* parent) {
  const QSize design(window.designWidth(), window.designHeight());
  QSize size = view.size();
  std::optional<QPoint> at;
  if (remembered_) {
    if (auto place = remembered_->windowPlace(window.initialCaption())) {
      // A window sized by its content (a preview) keeps the size it has.
      if (place->designSize == design) size = place->geometry.size();
      at = place->geometry.topLeft();
    }
  }
  // The offscreen platform (tests, pictures) has a small screen of its own
  // and keeps windows as they are built.
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
    view.resize(size);
    if (at) view.move(*at);
    return;
  }
  QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
  const QRect available = screen ? screen->availableGeometry() : QRect();
  if (!at) {
    const QRect around = parent ? parent->frameGeometry() : available;
    const QSize outer = size + frameExtra_;
    at = around.center() - QPoint(outer.width() / 2, outer.height() / 2);
  }
  const QRect frame = placeInside(QRect(*at, size + frameExtra_), available);
  view.resize(frame.size() - frameExtra_);
  view.move(frame.topLeft());
}

// Called as the window closes, when its view may already be hidden.
void QtHost::RememberPlace(const WindowView& view, const Window& window) {
  const QSize extra = view.frameGeometry().size() - view.size();
  if (extra.width() > 0 || extra.height() > 0) frameExtra_ = extra;
  if (!remembered_) return;
  remembered_->SetWindowPlace(window.initialCaption(),
                              {QRect(view.pos(), view.size()),
                               QSize(window.designWidth(), window.designHeight())});
}

void QtHost::WindowClosed(Window& window) {
  auto c = closedConnections_.find(&window);
  if (c != closedConnections_.end()) {
    window.closed().Disconnect(c->second);
    closedConnections_.erase(c);
  }
  auto it = views_.find(&window);
  if (it == views_.end()) return;
  WindowView* view = it->second;
  views_.erase(it);
  RememberPlace(*view, window);
  view->Detach();
  view->hide();
  // Windows it owns go with it, as on the desktop; their views are its
  // children and would otherwise vanish under them.
  std::vector<Window*> owned;
  for (auto& [other, otherView] : views_)
    if (other->owner() == &window) owned.push_back(const_cast<Window*>(other));
  for (Window* w : owned)
    if (w->isOpen()) w->Destroy();
  view->deleteLater();
}

void QtHost::ShowModal(Window& window, Window* owner) {
  OpenView(window, owner, true);
  if (!window.isOpen()) return;
  if (automation_.onModal) {
    automation_.onModal(window);
    if (window.isOpen() && !window.UserClose()) window.Destroy();
    return;
  }
  QEventLoop loop;
  const auto id = window.closed().Connect([&loop] { loop.quit(); });
  if (window.isOpen()) loop.exec(QEventLoop::DialogExec);
  window.closed().Disconnect(id);
}

void QtHost::ShowModeless(Window& window, Window* owner) { OpenView(window, owner, false); }

void QtHost::PopupMenu(Window& window, MenuItem& menu, int x, int y) {
  Log("popup " + menu.PlainCaption());
  if (automation_.cancelDialogs) return;
  QMenu popup(ParentFor(&window));
  std::map<const MenuItem*, QAction*> actions;
  fillMenu(&popup, menu, actions);
  QPoint at = QCursor::pos();
  if (WindowView* view = ViewOf(window)) {
    const QRect area(view->client()->mapToGlobal(QPoint(0, 0)), view->client()->size());
    if (!area.contains(at)) at = view->client()->mapToGlobal(QPoint(x, y));
  }
  QAction* chosen = popup.exec(at);
  if (!chosen) return;
  for (auto& [item, action] : actions) {
    if (action == chosen) {
      const_cast<MenuItem*>(item)->Choose();
      return;
    }
  }
}

void QtHost::ProcessPendingEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtHost::SetColourScheme(int scheme) {
  scheme_ = (scheme >= 1 && scheme <= 3) ? scheme : 1;
  ApplyColourScheme(scheme_);
  if (remembered_) remembered_->SetColourScheme(scheme_);
}

int QtHost::RememberedColourScheme(int fallback) {
  return remembered_ ? remembered_->colourScheme(fallback) : fallback;
}

// ---- Timers --------------------------------------------------------------------------

void QtHost::StartTimer(Timer& timer) {
  QTimer*& t = timers_[&timer];
  if (!t) {
    t = new QTimer;
    Timer* model = &timer;
    QObject::connect(t, &QTimer::timeout, t, [model] { model->Tick(); });
  }
  t->start(timer.interval());
}

void QtHost::StopTimer(Timer& timer) {
  auto it = timers_.find(&timer);
  if (it == timers_.end()) return;
  it->second->stop();
  // It may be ticking right now.
  it->second->deleteLater();
  timers_.erase(it);
}

// ---- Measuring and environment ---------------------------------------------------------

int QtHost::CountTextLines(int width, std::string_view text, const Font& font) {
  return CountWrappedLines(width, text, FontFor(font));
}

double QtHost::Now() { return text::NowDays(); }

std::int64_t QtHost::TickCountMs() { return clock_.elapsed(); }

std::string QtHost::TemporaryFolder() {
  if (!tempFolder_.empty() && QDir(ToQ(tempFolder_)).exists()) return tempFolder_;
  if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && run[0] == '/') {
    const std::string path = std::string(run) + "/mochuan";
    if (makePrivateDir(path)) return tempFolder_ = path;
  }
  const std::string base = ToStd(QDir::tempPath());
  const std::string mine = base + "/mochuan-" + std::to_string(::getuid());
  if (makePrivateDir(mine)) return tempFolder_ = mine;
  // The usual name is taken by someone else: a fresh folder of our own.
  std::string pattern = base + "/mochuan-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (::mkdtemp(buf.data()) != nullptr) return tempFolder_ = buf.data();
  return tempFolder_ = base;
}

bool QtHost::WordProcessorAvailable() {
  if (!wordAvailable_)
    wordAvailable_ = desktopHandles(
        QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.document"));
  return *wordAvailable_;
}

void QtHost::ExitProgram(int code) {
  Log("exit " + std::to_string(code));
  for (auto& [window, view] : views_)
    if (view) RememberPlace(*view, *window);
  std::fflush(nullptr);
  std::exit(code);
}

}  // namespace ui::qt
