#include "qt/Unit1.h"

#include <QDropEvent>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <algorithm>
#include <exception>

#include "app/Messages.h"
#include "platform/Launch.h"
#include "qt/StartUp.h"

namespace popuran::gui {

void InstallFontSubstitutes() {
  const QString family = QString::fromUtf8(kWindowFontFamily);
  if (!QFont::substitutes(family).isEmpty()) return;
  QFont::insertSubstitutions(family, {QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック"),
                                      QStringLiteral("Noto Sans CJK JP")});
}

QFont WindowFont(int pixelHeight, bool bold) {
  QFont font(QString::fromUtf8(kWindowFontFamily));
  // The pixel size is the em height, which is the character height without internal leading.
  font.setPixelSize(pixelHeight);
  font.setBold(bold);
  return font;
}

QPoint CentredPosition(const QRect& screen, const QSize& outerSize) {
  // Integer division rounds toward zero, also for a window larger than the screen.
  const int left = std::max(0, (screen.width() - outerSize.width()) / 2);
  const int top = std::max(0, (screen.height() - outerSize.height()) / 2);
  return screen.topLeft() + QPoint(left, top);
}

std::optional<QString> DroppedPath(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return std::nullopt;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) return url.toLocalFile();
  }
  return std::nullopt;
}

namespace {

constexpr int kClientWidth = 514;
constexpr int kClientHeight = 168;

QLabel* MakeLabel(QWidget* parent, const char* name, const QRect& place, const char* caption) {
  auto* label = new QLabel(QString::fromUtf8(caption), parent);
  label->setObjectName(QString::fromUtf8(name));
  label->setGeometry(place);
  label->setFont(WindowFont(17));
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setFocusPolicy(Qt::NoFocus);
  return label;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, const QRect& place, const char* text) {
  auto* edit = new QLineEdit(QString::fromUtf8(text), parent);
  edit->setObjectName(QString::fromUtf8(name));
  edit->setGeometry(place);
  edit->setFont(WindowFont(17));
  edit->setFocusPolicy(Qt::StrongFocus);
  return edit;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QRect& place,
                        const char* caption) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(QString::fromUtf8(name));
  button->setGeometry(place);
  // Neither a default nor a cancel button: Enter and Esc press nothing.
  button->setAutoDefault(false);
  button->setDefault(false);
  button->setFocusPolicy(Qt::StrongFocus);
  return button;
}

}  // namespace

TForm1::TForm1(std::string toolDir)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                           Qt::WindowCloseButtonHint),
      FRun(std::move(toolDir)),
      FMessageBoxes(std::make_unique<TQtMessageBoxProvider>()),
      FLauncher([](const std::string& path) { popuran::StartProgram(path); }) {
  InstallFontSubstitutes();
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QString::fromUtf8(kApplicationTitle));
  setWindowIcon(ApplicationIcon());
  setFont(WindowFont(15));
  setFixedSize(kClientWidth, kClientHeight);

  // Created in this order, so later controls lie above earlier ones where they meet.
  Label1 = MakeLabel(this, "Label1", {8, 8, 369, 17}, "ToHeart2 データファイルのあるパス");
  Label2 = MakeLabel(this, "Label2", {8, 64, 369, 17}, "窓辺のこびと実行ファイルのあるパス");
  edSrc = MakeEdit(this, "edSrc", {8, 32, 457, 25}, "");
  btSrc = MakeButton(this, "btSrc", {472, 32, 33, 25}, "...");
  edDst = MakeEdit(this, "edDst", {8, 88, 457, 25}, "C:\\Program FIles\\Kobitone\\Kobitone.exe");
  btDst = MakeButton(this, "btDst", {472, 88, 33, 25}, "...");
  btExec = MakeButton(this, "btExec", {200, 128, 113, 33}, "実　　行");
  btExec->setFont(WindowFont(18, true));

  setTabOrder(edSrc, btSrc);
  setTabOrder(btSrc, edDst);
  setTabOrder(edDst, btDst);
  setTabOrder(btDst, btExec);
  edSrc->setFocus();

  edSrc->installEventFilter(this);
  edDst->installEventFilter(this);
  connect(btSrc, &QPushButton::clicked, this, &TForm1::btSrcClick);
  connect(btDst, &QPushButton::clicked, this, &TForm1::btDstClick);
  connect(btExec, &QPushButton::clicked, this, &TForm1::btExecClick);

  FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::btSrcClick() {
  CallHandler(*this, [this] { Browse(QStringLiteral("TH2Data.000|TH2Data.000"), edSrc); });
}

void TForm1::btDstClick() {
  CallHandler(*this, [this] { Browse(QStringLiteral("KOBITONE.EXE|KOBITONE.EXE"), edDst); });
}

void TForm1::btExecClick() {
  CallHandler(*this, [this] { FRun.ExecClick(*this); });
}

void TForm1::FormCreate() {
  CallHandler(*this, [this] { FRun.FormCreate(); });
}

void TForm1::Browse(const QString& filter, QLineEdit* target) {
  OpenDialog1.FileName.clear();
  OpenDialog1.Filter = filter;
  if (OpenDialog1.Execute(this)) target->setText(OpenDialog1.FileName);
}

std::string TForm1::SourceText() {
  return edSrc->text().toStdString();
}

std::string TForm1::DestText() {
  return edDst->text().toStdString();
}

int TForm1::MessageBox(const std::string& text, const std::string& caption, std::uint32_t flags) {
  return FMessageBoxes->Show(this, QString::fromStdString(text), QString::fromStdString(caption),
                             flags);
}

void TForm1::StartProgram(const std::string& executablePath) {
  FLauncher(executablePath);
}

void TForm1::CloseWindow() {
  close();
}

void TForm1::SetMessageBoxProvider(std::unique_ptr<TMessageBoxProvider> provider) {
  FMessageBoxes = std::move(provider);
}

void TForm1::SetLauncher(TLauncher launcher) {
  FLauncher = std::move(launcher);
}

void TForm1::CentreOnScreen() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  FCentredOuterSize = frameGeometry().size();
  // For a top-level window, move places the outer frame's corner.
  move(CentredPosition(screen->geometry(), FCentredOuterSize));
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (FShownOnce) return;
  FShownOnce = true;
  CentreOnScreen();
}

void TForm1::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  // A window manager tells the frame's size only once the window is up; centre again with it.
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && !FActivatedOnce) {
    FActivatedOnce = true;
    if (frameGeometry().size() != FCentredOuterSize) CentreOnScreen();
  }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched != edSrc && watched != edDst) return QWidget::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDropEvent*>(event);
      if (!DroppedPath(drag->mimeData())) break;
      drag->acceptProposedAction();
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const std::optional<QString> path = DroppedPath(drop->mimeData());
      if (!path) break;
      static_cast<QLineEdit*>(watched)->setText(*path);
      drop->acceptProposedAction();
      return true;
    }
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace popuran::gui
