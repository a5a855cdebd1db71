// The main window on Qt's offscreen platform: its layout, keyboard, browse dialogs, message boxes
// and whole runs started by a click on the run button, with the user's answers scripted.
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QtTest>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "app/Messages.h"
#include "app/UserInterface.h"
#include "demo/DemoArchive.h"
#include "platform/Error.h"
#include "qt/Dialogs.h"
#include "qt/StartUp.h"
#include "qt/Unit1.h"
#include "support/TempDir.h"

using namespace popuran;
using namespace popuran::gui;
namespace fs = std::filesystem;

namespace {

QString Utf8(const char* text) {
  return QString::fromUtf8(text);
}

struct TShownMessage {
  QWidget* owner;
  QString text;
  QString caption;
  std::uint32_t flags;
};

// What the message boxes were asked to show, and the answers to give to questions (OK once the
// script runs out).
struct TMessageScript {
  std::vector<TShownMessage> shown;
  std::deque<int> answers;
};

class TScriptedMessageBoxes : public TMessageBoxProvider {
 public:
  explicit TScriptedMessageBoxes(std::shared_ptr<TMessageScript> script)
      : FScript(std::move(script)) {}
  int Show(QWidget* owner, const QString& text, const QString& caption,
           std::uint32_t flags) override {
    FScript->shown.push_back({owner, text, caption, flags});
    if ((flags & MB_BUTTONMASK) != MB_OKCANCEL || FScript->answers.empty()) return IDOK;
    const int answer = FScript->answers.front();
    FScript->answers.pop_front();
    return answer;
  }

 private:
  std::shared_ptr<TMessageScript> FScript;
};

struct TDialogRequest {
  QWidget* owner;
  QString fileName;
  QString filter;
  TOpenOptions options;
};

// What the file dialog was asked, and the files to choose (nothing: cancel). An empty script
// raises an error, as a broken dialog would.
struct TDialogScript {
  std::vector<TDialogRequest> requests;
  std::deque<std::optional<QString>> answers;
};

class TScriptedFileDialogs : public TFileDialogProvider {
 public:
  explicit TScriptedFileDialogs(std::shared_ptr<TDialogScript> script)
      : FScript(std::move(script)) {}
  std::optional<QString> Execute(QWidget* owner, const TOpenDialog& dialog) override {
    FScript->requests.push_back({owner, dialog.FileName, dialog.Filter, dialog.Options});
    if (FScript->answers.empty()) throw TError("dialog script ran out");
    const std::optional<QString> answer = FScript->answers.front();
    FScript->answers.pop_front();
    return answer;
  }

 private:
  std::shared_ptr<TDialogScript> FScript;
};

// The window with its dialogs answered by scripts and the companion program's start recorded.
struct TScriptedWindow {
  explicit TScriptedWindow(const std::string& toolDir) : form(toolDir) {
    form.SetMessageBoxProvider(std::make_unique<TScriptedMessageBoxes>(messages));
    form.OpenDialog1.SetProvider(std::make_unique<TScriptedFileDialogs>(dialogs));
    form.SetLauncher([this](const std::string& path) { started.push_back(path); });
  }

  std::shared_ptr<TMessageScript> messages = std::make_shared<TMessageScript>();
  std::shared_ptr<TDialogScript> dialogs = std::make_shared<TDialogScript>();
  std::vector<std::string> started;
  TForm1 form;
};

// Calls action as soon as a modal dialog is up, from inside that dialog's event loop.
void WhenModal(std::function<void(QWidget*)> action) {
  QTimer::singleShot(10, [action = std::move(action)]() mutable {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      action(modal);
    } else {
      WhenModal(std::move(action));
    }
  });
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

const TOpenOptions kAllOpenOptions = TOpenOption::ofHideReadOnly | TOpenOption::ofNoChangeDir |
                                     TOpenOption::ofPathMustExist | TOpenOption::ofFileMustExist;

// How a run's files are laid out before the click.
enum TRunSetup {
  kIndexMissing,
  kDataMissing,
  kExecutableMissing,
  kDemoArchive,
  kLowerCasePack,
  kShortIndex,
};

}  // namespace

class TMainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void controls_data();
  void controls();
  void window();
  void centredPosition_data();
  void centredPosition();
  void focusAndTabOrder();
  void enterAndEscapePressNothing();
  void browse();
  void browseErrorIsReported();
  void nameFilters_data();
  void nameFilters();
  void realFileDialogListsTheNameInAnyCase();
  void realFileDialogAnswers_data();
  void realFileDialogAnswers();
  void messageBoxLooks_data();
  void messageBoxLooks();
  void messageBoxAnswers_data();
  void messageBoxAnswers();
  void runs_data();
  void runs();
  void completedRunStartsTheCompanion();
  void droppingAFileSetsThePath();
};

void TMainWindowTest::controls_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QRect>("geometry");
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("pixelSize");
  QTest::addColumn<bool>("bold");

  QTest::newRow("Label1") << "Label1" << QRect(8, 8, 369, 17)
                          << Utf8("ToHeart2 データファイルのあるパス") << 17 << false;
  QTest::newRow("Label2") << "Label2" << QRect(8, 64, 369, 17)
                          << Utf8("窓辺のこびと実行ファイルのあるパス") << 17 << false;
  QTest::newRow("edSrc") << "edSrc" << QRect(8, 32, 457, 25) << QString() << 17 << false;
  QTest::newRow("btSrc") << "btSrc" << QRect(472, 32, 33, 25) << "..." << 15 << false;
  QTest::newRow("edDst") << "edDst" << QRect(8, 88, 457, 25)
                         << "C:\\Program FIles\\Kobitone\\Kobitone.exe" << 17 << false;
  QTest::newRow("btDst") << "btDst" << QRect(472, 88, 33, 25) << "..." << 15 << false;
  QTest::newRow("btExec") << "btExec" << QRect(200, 128, 113, 33) << Utf8("実　　行") << 18 << true;
}

void TMainWindowTest::controls() {
  QFETCH(QString, name);
  QFETCH(QRect, geometry);
  QFETCH(QString, text);
  QFETCH(int, pixelSize);
  QFETCH(bool, bold);

  TForm1 form(QDir::tempPath().toStdString());
  auto* control = form.findChild<QWidget*>(name);
  QVERIFY(control != nullptr);
  QCOMPARE(control->parentWidget(), &form);
  QCOMPARE(control->geometry(), geometry);
  QCOMPARE(control->property("text").toString(), text);
  QCOMPARE(control->font().family(), Utf8(kWindowFontFamily));
  QCOMPARE(control->font().pixelSize(), pixelSize);
  QCOMPARE(control->font().bold(), bold);
  // The family is missing outside Windows; the metric-compatible one must be what draws.
  const QFontInfo used(control->font());
  QCOMPARE(used.family(), QStringLiteral("IPAPGothic"));
  QCOMPARE(used.pixelSize(), pixelSize);
  QCOMPARE(used.bold(), bold);
}

void TMainWindowTest::window() {
  TForm1 form(QDir::tempPath().toStdString());
  QCOMPARE(form.windowTitle(), Utf8("ぽぷらん - キャラクタ画像作成ツール for 窓辺のこびと"));
  QCOMPARE(QGuiApplication::applicationDisplayName(), form.windowTitle());
  QCOMPARE(form.size(), QSize(514, 168));
  QCOMPARE(form.minimumSize(), QSize(514, 168));
  QCOMPARE(form.maximumSize(), QSize(514, 168));
  QVERIFY(form.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
  QVERIFY(form.windowFlags().testFlag(Qt::WindowSystemMenuHint));
  QVERIFY(!form.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
  QCOMPARE(form.font().pixelSize(), 15);

  // The controls are created in the order of the layout table.
  QStringList created;
  for (QObject* child : form.children()) {
    if (child->isWidgetType()) created << child->objectName();
  }
  QCOMPARE(created,
           QStringList({"Label1", "Label2", "edSrc", "btSrc", "edDst", "btDst", "btExec"}));
  QCOMPARE(form.Label1->focusPolicy(), Qt::NoFocus);
  QCOMPARE(form.Label2->focusPolicy(), Qt::NoFocus);

  // One 32 by 32 picture of at most 16 colours, for the window and the application.
  const QIcon icon = ApplicationIcon();
  QCOMPARE(icon.availableSizes(), QList<QSize>({QSize(32, 32)}));
  const QImage picture = icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
  std::set<QRgb> colours;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      if (qAlpha(picture.pixel(x, y)) != 0) colours.insert(picture.pixel(x, y));
    }
  }
  QVERIFY(colours.size() > 2);
  QVERIFY(colours.size() <= 16);
  QVERIFY(!form.windowIcon().isNull());
  QVERIFY(!QGuiApplication::windowIcon().isNull());

  // Shown centred on the screen by its outer size, frame included.
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const QRect outer = form.frameGeometry();
  QVERIFY(outer.width() > 514);  // the offscreen platform draws a thin frame
  QCOMPARE(outer.topLeft(), screen.topLeft() + QPoint((screen.width() - outer.width()) / 2,
                                                      (screen.height() - outer.height()) / 2));
}

void TMainWindowTest::centredPosition_data() {
  QTest::addColumn<QRect>("screen");
  QTest::addColumn<QSize>("outer");
  QTest::addColumn<QPoint>("expected");

  QTest::newRow("even room") << QRect(0, 0, 1024, 768) << QSize(520, 196) << QPoint(252, 286);
  QTest::newRow("odd room rounds down")
      << QRect(0, 0, 1024, 768) << QSize(521, 197) << QPoint(251, 285);
  QTest::newRow("larger than the screen stays at its edge")
      << QRect(0, 0, 400, 100) << QSize(520, 197) << QPoint(0, 0);
  QTest::newRow("one pixel too wide rounds toward zero")
      << QRect(0, 0, 519, 300) << QSize(520, 100) << QPoint(0, 100);
  QTest::newRow("screen not at the origin")
      << QRect(1920, 0, 1280, 1024) << QSize(520, 196) << QPoint(1920 + 380, 414);
}

void TMainWindowTest::centredPosition() {
  QFETCH(QRect, screen);
  QFETCH(QSize, outer);
  QFETCH(QPoint, expected);
  QCOMPARE(CentredPosition(screen, outer), expected);
}

void TMainWindowTest::focusAndTabOrder() {
  TForm1 form(QDir::tempPath().toStdString());
  form.show();
  form.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&form));
  QCOMPARE(QApplication::focusWidget(), form.edSrc);

  const std::vector<QWidget*> order = {form.btSrc, form.edDst, form.btDst, form.btExec, form.edSrc};
  for (QWidget* next : order) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), next);
  }
}

void TMainWindowTest::enterAndEscapePressNothing() {
  const test::TTempDir dir;
  TScriptedWindow window(dir / "tool");
  // Any run would at least say that this index is missing.
  window.form.edSrc->setText(QString::fromStdString(dir / "missing.000"));
  window.form.show();
  window.form.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&window.form));

  for (QPushButton* button : {window.form.btSrc, window.form.btDst, window.form.btExec}) {
    QVERIFY(!button->autoDefault());
    QVERIFY(!button->isDefault());
  }
  for (QWidget* target :
       std::initializer_list<QWidget*>{window.form.edSrc, window.form.edDst, window.form.btExec}) {
    target->setFocus();
    QTest::keyClick(target, Qt::Key_Return);
    QTest::keyClick(target, Qt::Key_Enter);
    QTest::keyClick(target, Qt::Key_Escape);
  }
  QTest::qWait(50);
  QVERIFY(window.messages->shown.empty());
  QVERIFY(window.dialogs->requests.empty());
  QVERIFY(window.form.isVisible());
}

void TMainWindowTest::browse() {
  const test::TTempDir dir;
  TScriptedWindow window(dir / "tool");
  TForm1& form = window.form;
  const QString exe = QString::fromStdString(dir / "Kobitone/KOBITONE.EXE");
  const QString index = QString::fromStdString(dir / "TH2Data.000");

  // Confirmed: the whole field becomes the chosen path.
  window.dialogs->answers = {exe, std::nullopt, index, std::nullopt};
  QTest::mouseClick(form.btDst, Qt::LeftButton);
  QCOMPARE(form.edDst->text(), exe);

  // Cancelled: what was typed stays, and the executable's filter does not carry over.
  form.edSrc->setText(QStringLiteral("typed by hand"));
  QTest::mouseClick(form.btSrc, Qt::LeftButton);
  QCOMPARE(form.edSrc->text(), QStringLiteral("typed by hand"));

  QTest::mouseClick(form.btSrc, Qt::LeftButton);
  QCOMPARE(form.edSrc->text(), index);

  // The archive's filter does not carry over either; the field keeps its text on cancel.
  QTest::mouseClick(form.btDst, Qt::LeftButton);
  QCOMPARE(form.edDst->text(), exe);

  const std::vector<QString> filters = {"KOBITONE.EXE|KOBITONE.EXE", "TH2Data.000|TH2Data.000",
                                        "TH2Data.000|TH2Data.000", "KOBITONE.EXE|KOBITONE.EXE"};
  QCOMPARE(window.dialogs->requests.size(), filters.size());
  for (std::size_t i = 0; i < filters.size(); ++i) {
    const TDialogRequest& request = window.dialogs->requests[i];
    QCOMPARE(request.owner, &form);
    QCOMPARE(request.filter, filters[i]);
    // The previous choice is cleared before every browse.
    QCOMPARE(request.fileName, QString());
    QCOMPARE(request.options, kAllOpenOptions);
  }
  // The last filter and cleared name stay on the dialog.
  QCOMPARE(form.OpenDialog1.Filter, QStringLiteral("KOBITONE.EXE|KOBITONE.EXE"));
  QVERIFY(window.messages->shown.empty());
}

void TMainWindowTest::browseErrorIsReported() {
  const test::TTempDir dir;
  TScriptedWindow window(dir / "tool");
  window.form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window.form));
  const QString before = window.form.edSrc->text();

  QTest::mouseClick(window.form.btSrc, Qt::LeftButton);  // the script has no answer: an error

  QCOMPARE(window.messages->shown.size(), std::size_t{1});
  const TShownMessage& report = window.messages->shown[0];
  QCOMPARE(report.text, QStringLiteral("dialog script ran out."));
  QCOMPARE(report.caption, Utf8(kApplicationTitle));
  QCOMPARE(report.flags, MB_OK | MB_ICONERROR);
  QCOMPARE(window.form.edSrc->text(), before);
  QVERIFY(window.form.isVisible());
}

void TMainWindowTest::nameFilters_data() {
  QTest::addColumn<QString>("filter");
  QTest::addColumn<QStringList>("expected");

  QTest::newRow("one name") << "TH2Data.000|TH2Data.000"
                            << QStringList{"TH2Data.000 (TH2Data.000)"};
  QTest::newRow("several entries and masks")
      << "Pictures|*.bmp;*.png|All|*" << QStringList{"Pictures (*.bmp *.png)", "All (*)"};
  QTest::newRow("a description without a mask is dropped") << "Pictures" << QStringList{};
  QTest::newRow("empty") << "" << QStringList{};
}

void TMainWindowTest::nameFilters() {
  QFETCH(QString, filter);
  QFETCH(QStringList, expected);
  QCOMPARE(NameFiltersFor(filter), expected);
}

void TMainWindowTest::realFileDialogListsTheNameInAnyCase() {
  const test::TTempDir dir;
  for (const char* name : {"th2data.000", "TH2DATA.000", "TH2Data.001", "KOBITONE.EXE", "x.000"}) {
    WriteText(dir / name, "x");
  }
  TOpenDialog dialog;
  dialog.Filter = QStringLiteral("TH2Data.000|TH2Data.000");

  QFileDialog fileDialog;
  ConfigureFileDialog(fileDialog, dialog);
  QVERIFY(fileDialog.testOption(QFileDialog::DontUseNativeDialog));
  QCOMPARE(fileDialog.fileMode(), QFileDialog::ExistingFile);
  QCOMPARE(fileDialog.acceptMode(), QFileDialog::AcceptOpen);
  QCOMPARE(fileDialog.nameFilters(), QStringList{"TH2Data.000 (TH2Data.000)"});

  const QString folder = QString::fromStdString(dir.Path().string());
  fileDialog.setDirectory(folder);
  fileDialog.show();
  auto* model = fileDialog.findChild<QFileSystemModel*>();
  QVERIFY(model != nullptr);
  // Files the filter rejects are hidden or greyed; what stays selectable is what the user sees.
  const auto listed = [&] {
    QStringList names;
    const QModelIndex parent = model->index(folder);
    for (int row = 0; row < model->rowCount(parent); ++row) {
      const QModelIndex item = model->index(row, 0, parent);
      if (model->flags(item).testFlag(Qt::ItemIsEnabled)) names << model->fileName(item);
    }
    names.sort();
    return names;
  };
  QTRY_COMPARE(listed(), QStringList({"TH2DATA.000", "th2data.000"}));
}

void TMainWindowTest::realFileDialogAnswers_data() {
  QTest::addColumn<bool>("confirm");
  QTest::newRow("confirmed") << true;
  QTest::newRow("cancelled") << false;
}

void TMainWindowTest::realFileDialogAnswers() {
  QFETCH(bool, confirm);
  const test::TTempDir dir;
  const std::string chosen = dir / "kobitone.exe";
  WriteText(chosen, "x");
  TForm1 form(dir / "tool");
  const QString currentBefore = QDir::currentPath();

  QWidget* owner = nullptr;
  WhenModal([&](QWidget* modal) {
    auto* fileDialog = qobject_cast<QFileDialog*>(modal);
    if (fileDialog == nullptr) {
      modal->close();
      return;
    }
    owner = fileDialog->parentWidget();
    if (!confirm) {
      fileDialog->reject();
      return;
    }
    fileDialog->setDirectory(QString::fromStdString(dir.Path().string()));
    fileDialog->selectFile(QStringLiteral("kobitone.exe"));
    static_cast<QDialog*>(fileDialog)->accept();  // checks the name like the Open button
  });
  QTest::mouseClick(form.btDst, Qt::LeftButton);

  QCOMPARE(owner, &form);
  QCOMPARE(form.edDst->text(), confirm
                                   ? QString::fromStdString(chosen)
                                   : QStringLiteral("C:\\Program FIles\\Kobitone\\Kobitone.exe"));
  QCOMPARE(QDir::currentPath(), currentBefore);
}

void TMainWindowTest::messageBoxLooks_data() {
  QTest::addColumn<uint>("flags");
  QTest::addColumn<int>("icon");
  QTest::addColumn<bool>("withCancel");

  QTest::newRow("warning") << uint(MB_OK | MB_ICONWARNING) << int(QMessageBox::Warning) << false;
  QTest::newRow("warning question")
      << uint(MB_OKCANCEL | MB_ICONWARNING) << int(QMessageBox::Warning) << true;
  QTest::newRow("information question")
      << uint(MB_OKCANCEL | MB_ICONINFORMATION) << int(QMessageBox::Information) << true;
  QTest::newRow("error") << uint(MB_OK | MB_ICONERROR) << int(QMessageBox::Critical) << false;
}

void TMainWindowTest::messageBoxLooks() {
  QFETCH(uint, flags);
  QFETCH(int, icon);
  QFETCH(bool, withCancel);

  QMessageBox box;
  ConfigureMessageBox(box, QString::fromStdString(ConfirmationText()), Utf8(kMessageCaption),
                      flags);
  QCOMPARE(box.windowTitle(), Utf8("ぽぷらん"));
  QCOMPARE(int(box.icon()), icon);
  QCOMPARE(box.standardButtons(), withCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                             : QMessageBox::StandardButtons(QMessageBox::Ok));
  QCOMPARE(box.defaultButton(), box.button(QMessageBox::Ok));
  // The line breaks show as line breaks, and nothing in a text is taken for markup.
  QCOMPARE(box.text(),
           Utf8("実行しますか？\n\n（実行前に窓辺のこびとが実行中なら終了してください）　　"));
  QCOMPARE(box.textFormat(), Qt::PlainText);
}

void TMainWindowTest::messageBoxAnswers_data() {
  QTest::addColumn<uint>("flags");
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("expected");

  QTest::newRow("question, Enter takes OK")
      << uint(MB_OKCANCEL | MB_ICONWARNING) << int(Qt::Key_Return) << IDOK;
  QTest::newRow("question, Esc is Cancel")
      << uint(MB_OKCANCEL | MB_ICONINFORMATION) << int(Qt::Key_Escape) << IDCANCEL;
  QTest::newRow("message, Esc is still OK")
      << uint(MB_OK | MB_ICONWARNING) << int(Qt::Key_Escape) << IDOK;
}

void TMainWindowTest::messageBoxAnswers() {
  QFETCH(uint, flags);
  QFETCH(int, key);
  QFETCH(int, expected);

  TForm1 form(QDir::tempPath().toStdString());
  QWidget* owner = nullptr;
  WhenModal([&](QWidget* modal) {
    owner = modal->parentWidget();
    QTest::keyClick(modal, Qt::Key(key));
  });
  TUserInterface& ui = form;
  QCOMPARE(ui.MessageBox("text", kMessageCaption, flags), expected);
  QCOMPARE(owner, &form);
}

void TMainWindowTest::runs_data() {
  QTest::addColumn<int>("setup");
  QTest::addColumn<QList<int>>("answers");
  QTest::addColumn<QStringList>("texts");
  QTest::addColumn<QStringList>("captions");
  QTest::addColumn<QList<uint>>("flags");
  QTest::addColumn<bool>("outputFolder");
  QTest::addColumn<bool>("outputs");
  QTest::addColumn<bool>("started");
  QTest::addColumn<bool>("stillOpen");

  const QString caption = Utf8(kMessageCaption);
  const QString confirm = QString::fromStdString(ConfirmationText());
  const uint warning = MB_OK | MB_ICONWARNING;
  const uint question = MB_OKCANCEL | MB_ICONWARNING;
  const uint completed = MB_OKCANCEL | MB_ICONINFORMATION;

  QTest::newRow("index missing") << int(kIndexMissing) << QList<int>{}
                                 << QStringList{Utf8(kIndexNotFoundText)} << QStringList{caption}
                                 << QList<uint>{warning} << false << false << false << true;
  QTest::newRow("data missing") << int(kDataMissing) << QList<int>{}
                                << QStringList{Utf8(kDataNotFoundText)} << QStringList{caption}
                                << QList<uint>{warning} << false << false << false << true;
  QTest::newRow("executable missing")
      << int(kExecutableMissing) << QList<int>{} << QStringList{Utf8(kExecutableNotFoundText)}
      << QStringList{caption} << QList<uint>{warning} << false << false << false << true;
  QTest::newRow("cancel at the confirmation")
      << int(kDemoArchive) << QList<int>{IDCANCEL} << QStringList{confirm} << QStringList{caption}
      << QList<uint>{question} << false << false << false << true;
  QTest::newRow("not a PACK archive")
      << int(kLowerCasePack) << QList<int>{IDOK} << QStringList{confirm, Utf8(kNotPackText)}
      << QStringList{caption, caption} << QList<uint>{question, warning} << true << false << false
      << true;
  QTest::newRow("index shorter than its header")
      << int(kShortIndex) << QList<int>{IDOK}
      << QStringList{confirm, Utf8("ｽﾄﾘｰﾑからの読み込みｴﾗｰ.")}
      << QStringList{caption, Utf8(kApplicationTitle)}
      << QList<uint>{question, MB_OK | MB_ICONERROR} << true << false << false << true;
  QTest::newRow("completed, OK starts the companion")
      << int(kDemoArchive) << QList<int>{IDOK, IDOK} << QStringList{confirm, Utf8(kCompletedText)}
      << QStringList{caption, caption} << QList<uint>{question, completed} << true << true << true
      << false;
  QTest::newRow("completed, Cancel does not start it")
      << int(kDemoArchive) << QList<int>{IDOK, IDCANCEL}
      << QStringList{confirm, Utf8(kCompletedText)} << QStringList{caption, caption}
      << QList<uint>{question, completed} << true << true << false << false;
}

void TMainWindowTest::runs() {
  QFETCH(int, setup);
  QFETCH(QList<int>, answers);
  QFETCH(QStringList, texts);
  QFETCH(QStringList, captions);
  QFETCH(QList<uint>, flags);
  QFETCH(bool, outputFolder);
  QFETCH(bool, outputs);
  QFETCH(bool, started);
  QFETCH(bool, stillOpen);

  const test::TTempDir dir;
  fs::create_directories(dir.Path() / "tool");
  const demo::TDemoPaths paths = demo::WriteDemoArchive(dir.Path().string());
  std::string source = paths.indexFile;
  std::string dest = paths.companionExe;
  switch (setup) {
    case kIndexMissing:
      source = dir / "missing.000";
      break;
    case kDataMissing:
      fs::remove(paths.dataFile);
      break;
    case kExecutableMissing:
      dest = dir / "Kobitone/missing.exe";
      break;
    case kLowerCasePack:
      test::WriteBytes(paths.indexFile, {'p', 'a', 'c', 'k', 0, 0, 0, 0});
      break;
    case kShortIndex:
      test::WriteBytes(paths.indexFile, {'P', 'A', 'C', 'K', 1});
      break;
    default:
      break;
  }

  TScriptedWindow window(dir / "tool");
  window.messages->answers.assign(answers.begin(), answers.end());
  window.form.edSrc->setText(QString::fromStdString(source));
  window.form.edDst->setText(QString::fromStdString(dest));
  window.form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window.form));

  QTest::mouseClick(window.form.btExec, Qt::LeftButton);

  const std::vector<TShownMessage>& shown = window.messages->shown;
  QCOMPARE(shown.size(), std::size_t(texts.size()));
  for (std::size_t i = 0; i < shown.size(); ++i) {
    QCOMPARE(shown[i].owner, &window.form);
    QCOMPARE(shown[i].text, texts[qsizetype(i)]);
    QCOMPARE(shown[i].caption, captions[qsizetype(i)]);
    QCOMPARE(shown[i].flags, flags[qsizetype(i)]);
  }
  const fs::path outDir = dir.Path() / "Kobitone" / "B";
  QCOMPARE(fs::is_directory(outDir), outputFolder);
  if (outputs) {
    for (const char* name : {"001.BMP", "002.BMP", "003.BMP"}) {
      QVERIFY2(fs::is_regular_file(outDir / name), name);
    }
    QCOMPARE(fs::file_size(outDir / "000.NAD"), std::uintmax_t{41299});
  } else if (outputFolder) {
    QVERIFY(fs::is_empty(outDir));
  }
  QCOMPARE(window.started, started ? std::vector<std::string>{dest} : std::vector<std::string>{});
  QCOMPARE(window.form.isVisible(), stillOpen);
  // The fields are as they were.
  QCOMPARE(window.form.edSrc->text().toStdString(), source);
  QCOMPARE(window.form.edDst->text().toStdString(), dest);
}

void TMainWindowTest::completedRunStartsTheCompanion() {
  const test::TTempDir dir;
  fs::create_directories(dir.Path() / "tool");
  const demo::TDemoPaths paths = demo::WriteDemoArchive(dir.Path().string());
  const std::string marker = dir / "companion-started";
  // The stand-in companion leaves a mark when it runs.
  WriteText(paths.companionExe, "#!/bin/sh\necho started > '" + marker + "'\n");

  TForm1 form(dir / "tool");
  auto script = std::make_shared<TMessageScript>();
  form.SetMessageBoxProvider(std::make_unique<TScriptedMessageBoxes>(script));
  form.edSrc->setText(QString::fromStdString(paths.indexFile));
  form.edDst->setText(QString::fromStdString(paths.companionExe));
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));

  QTest::mouseClick(form.btExec, Qt::LeftButton);

  QCOMPARE(script->shown.size(), std::size_t{2});
  QCOMPARE(script->shown[1].text, Utf8(kCompletedText));
  QVERIFY(!form.isVisible());
  QTRY_VERIFY_WITH_TIMEOUT(fs::exists(marker), 10000);
}

void TMainWindowTest::droppingAFileSetsThePath() {
  const test::TTempDir dir;
  const std::string file = dir / "TH2Data.000";
  WriteText(file, "x");
  TForm1 form(dir / "tool");

  for (QLineEdit* field : {form.edSrc, form.edDst}) {
    field->setText(QStringLiteral("old text"));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
    const QPointF at(10, 10);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(field, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(field, &drop);
    QVERIFY(drop.isAccepted());
    QCOMPARE(field->text(), QString::fromStdString(file));
  }

  // Only a local file counts; a web address or plain text is no path.
  QMimeData remote;
  remote.setUrls({QUrl(QStringLiteral("https://example.org/TH2Data.000"))});
  QVERIFY(!DroppedPath(&remote));
  QMimeData text;
  text.setText(QStringLiteral("/not/a/drop"));
  QVERIFY(!DroppedPath(&text));
}

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  PrepareDisplayEnvironment();
  QApplication application(argc, argv);
  PrepareApplication();
  TMainWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "MainWindowTest.moc"
