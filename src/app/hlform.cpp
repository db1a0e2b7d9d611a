#include "app/hlform.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QItemSelection>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <cmath>

#include "app/dialog_support.h"
#include "app/hlform_recovery.h"
#include "app/subtitle_list_model.h"
#include "app/wait_cursor.h"
#include "convert/prevod.h"
#include "document/encoding_detection.h"
#include "document/error.h"
#include "document/file_names.h"
#include "document/ini_file.h"
#include "document/subtitle_file.h"
#include "document/subtitle_line.h"
#include "document/text_encoding.h"
#include "film/casovaosa.h"
#include "layout/sire.h"

namespace velorin {

namespace {

std::string ToLocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

int RoundHalfEven(double v) { return static_cast<int>(std::nearbyint(v)); }

}  // namespace

TForm1::TForm1(Prompts& prompts, Options options, QWidget* parent)
    : QMainWindow(parent), prompts_(prompts), fileArgument_(options.fileArgument) {
  // Program folder, change flag, scale factor, size, program-wide state.
  programDir = options.programDir;
  if (programDir.isEmpty()) programDir = QCoreApplication::applicationDirPath();
  if (!programDir.endsWith('/')) programDir += '/';
  // A built or copied program has its pages beside itself; an installed one
  // under share/velorin/.
  resourceDir = programDir;
  const QString installed = QFile::decodeName(
      InstalledResourceDirectory(QFile::encodeName(programDir).toStdString()).c_str());
  if (!QFileInfo::exists(programDir + QStringLiteral("info.htm")) &&
      QFileInfo::exists(installed + QStringLiteral("info.htm")))
    resourceDir = installed;
  settingsPath = options.settingsPath;
  shell_ = options.shell;
  associations_ = options.associations;
  changed_ = false;
  doc_.SetJournal(&history_.Pending());

  setWindowTitle(
      QStringLiteral("Velorin - komplexní nástroj pro synchronizaci a editaci filmových titulků"));
  BuildControls(*this, logicalDpiX() / 96.0, [this](QPainter& p) { PaintBackground(p); });
  BuildMenus(*this, Commands());
  SetHints();
  model_ = new SubtitleListModel(
      doc_, [this](std::string_view bytes) { return DecodeLine(bytes); }, this);
  model_->SetRowHeight(Scaled(16));
  ListBox1->setModel(model_);
  for (QWidget* w : std::initializer_list<QWidget*>{Panel1, ListBox1, ListBox1->viewport(), ESource,
                                                    ESync, ETarget, E1, E2, E3, E4, E5, E6})
    w->installEventFilter(this);
  // Dropped files go to the window (which looks at where they fell), not into
  // the fields as text.
  setAcceptDrops(true);
  for (QLineEdit* e : findChildren<QLineEdit*>()) e->setAcceptDrops(false);
  WireCommands();
  // The width-fitting dialog lives as long as the main window.
  form4 = new TForm4(*this);

  QSize minClient = MinimumClientSize();
  central->setMinimumSize(minClient);
  resize(minClient.width(), minClient.height() + menuBar()->sizeHint().height());
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect avail = screen->availableGeometry();
    move(avail.center() - rect().center());
  }
  FormResize();

  Timer1 = new QTimer(this);
  Timer1->setInterval(10);
  connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
  connect(EncodingMenu, &QMenu::triggered, this, [this](QAction* a) {
    const auto encoding = static_cast<TextEncoding>(a->data().toInt());
    RunCommand([this, encoding] { ChooseEncoding(encoding); });
  });
  ShowEncoding();
  if (options.startTimer) Timer1->start();
  StartAutosave(options);
}

QSize TForm1::MinimumClientSize() const {
  return {RoundHalfEven(770 * scaleFactor), RoundHalfEven(480 * scaleFactor)};
}

void TForm1::On(QObject* sender, Handler handler) {
  auto run = [this, handler] { RunCommand([this, handler] { (this->*handler)(); }); };
  if (auto* a = qobject_cast<QAction*>(sender))
    connect(a, &QAction::triggered, this, run);
  else if (auto* b = qobject_cast<QPushButton*>(sender))
    connect(b, &QPushButton::clicked, this, run);
}

void TForm1::WireCommands() {
  // Every menu command, its popup twin and its button run the row's handler.
  for (const MenuCommand& c : Commands()) {
    if (!c.handler && !c.tagHandler) continue;
    std::function<void()> run = [this, &c] {
      RunCommand(
          [this, &c] {
            if (c.handler)
              (this->*c.handler)();
            else
              (this->*c.tagHandler)(c.tag);
          },
          QString::fromUtf8(c.caption).remove('&'));
    };
    if (c.item) connect(this->*c.item, &QAction::triggered, this, run);
    if (c.popupItem) connect(this->*c.popupItem, &QAction::triggered, this, run);
    if (c.button) connect(this->*c.button, &QPushButton::clicked, this, run);
  }
  for (QAction* a : Rych)
    connect(a, &QAction::triggered, this,
            [this, a] { RunCommand([this, a] { RychClick(a->data().toInt()); }); });
  On(PrBut, &TForm1::PrButClick);
  On(UlozBut, &TForm1::UlozButClick);
  connect(ListBox1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    if (ListBox1->contextMenuPolicy() == Qt::CustomContextMenu && HasSelection())
      PopupMenu1->popup(ListBox1->viewport()->mapToGlobal(pos));
  });
  WireRetimingCommands();
  WireFilmCommands();
  WireLinesCommands();
  connect(Slovnik2, &QMenu::aboutToShow, this, &TForm1::FillDictionaryMenu);
  FillDictionaryMenu();
}

void TForm1::FormShow() {
  LoadSettings();
  RefreshRecentMenu();
  // A session restored from its recovery copy is what the user chose to
  // work on; the file named on the command line is not loaded over it.
  bool restored = false;
  RunCommand([this, &restored] { restored = OfferRecovery(); });
  if (!restored && !fileArgument_.isEmpty()) {
    QString path = fileArgument_;
    RunCommand([this, path] { LoadSubtitleFile(path); });
  }
}

void TForm1::LoadSubtitleFile(const QString& path) {
  RecoveryPause pause(*this);
  AddRecentFile(path);
  openDialogDir = QString::fromStdString(DirectoryPart(path.toStdString()));
  ESource->setText(path);
  QString target = QFile::decodeName(QByteArray::fromStdString(FreeTargetName(ToLocalPath(path))));
  const bool read = ReadSubtitleFile(path);
  ShowEncoding();
  if (read) {
    changed_ = false;
    ETarget->setText(target);
    UpdateFrameFields();
    RecomputeIfComplete();
  } else {
    ClearFields();
    ZdrojTitZav1Click();
  }
  DocumentSettled();
}

bool TForm1::ReadSubtitleFile(const QString& path) {
  NewHistory fresh(*this);
  doc_.Clear();
  PushAll();
  ReadOutcome read = ReadSubtitleLines(ToLocalPath(path), Progress());
  doc_.SetFromUtf16(read.utf16);
  if (read.kind == ReadKind::NotSubtitleFile) return ConvertForeignFile(path);
  doc_.SetEncoding(DetectEncoding(read.lines, read.utf8));
  doc_.Assign(std::move(read.lines));
  PushAll();
  ShowSubtitleAt(overlayCursor);
  return doc_.Count() > 0;
}

bool TForm1::ConvertForeignFile(const QString& path) {
  // A picture, a film or a zeroed file has nothing to convert.
  if (FileLooksBinary(ToLocalPath(path))) {
    prompts_.Message(QStringLiteral("Upozornění"),
                     QStringLiteral("Soubor ") + path +
                         QStringLiteral(" není textový soubor s titulky, nelze ho převést."),
                     Prompts::Icon::Warning);
    return false;
  }
  // The dialog reads the file named in ESource and fills the list itself.
  TForm5 dialog(*this);
  ExecModal(dialog);
  if (dialog.Tag != 1) return false;
  ShowSubtitleAt(overlayCursor);
  return true;
}

void TForm1::UpdateFrameFields() {
  if (doc_.Empty()) {
    E1->clear();
    E2->clear();
  } else {
    E1->setText(QString::number(ParseFirstFrame(doc_.Line(0))));
    E2->setText(QString::number(ParseFirstFrame(doc_.Line(doc_.Count() - 1))));
  }
  E5->clear();
  E6->clear();
}

void TForm1::ClearFields() {
  for (QLineEdit* e : {E1, E2, E3, E4, E5, E6, ESync, ETarget}) e->clear();
}

void TForm1::ZdrojTitZav1Click() {
  if (changed_) AskSaveChanges();
  NewHistory fresh(*this);
  doc_.Clear();
  doc_.SetFromUtf16(false);
  PushAll();
  DocumentSettled();
  ESource->clear();
  ESource->setFocus();
}

void TForm1::VymazButClick() {
  ZdrojTitZav1Click();
  ClearFields();
  CloseFilm();
}

void TForm1::PrButClick() {
  if (changed_) AskSaveChanges();
  std::optional<QString> path =
      prompts_.OpenFile(QStringLiteral("Otevření zdrojového souboru s titulky"),
                        QStringLiteral("soubory s titulky (*.sub *.txt *.srt)"), openDialogDir);
  if (!path) return;
  lastOpenDir = openDialogDir;
  LoadSubtitleFile(*path);
}

void TForm1::ESourceKeyPress() {
  QString path = ESource->text();
  if (!FileExists(ToLocalPath(path))) return;
  // Unsaved changes are asked about first, as every other way of loading does.
  if (changed_) AskSaveChanges();
  LoadSubtitleFile(path);
}

void TForm1::SaveLines(bool selectedOnly) {
  RecoveryPause pause(*this);
  PullSelection();
  WriteSubtitleFile(ToLocalPath(ETarget->text()), doc_.Lines(),
                    selectedOnly ? &doc_.SelectionFlags() : nullptr, Progress());
  changed_ = false;
  // Only a save of every row leaves nothing to recover.
  if (!selectedOnly) DocumentSettled();
}

void TForm1::UlozButClick() { SaveLines(false); }

void TForm1::UlozVyb1Click() {
  // No target yet: ask for a name as the question about unsaved changes does.
  if (ETarget->text().isEmpty())
    SaveUnderAskedName(true);
  else
    SaveLines(true);
}

void TForm1::SaveUnderAskedName(bool selectedOnly) {
  std::optional<QString> name = AskTargetName();
  if (!name) return;
  ETarget->setText(*name);
  SaveLines(selectedOnly);
  prompts_.Message(QStringLiteral("Upozornění"),
                   QStringLiteral("Provedené změny byly uloženy do souboru ") + ETarget->text() +
                       QStringLiteral("."));
}

std::optional<QString> TForm1::AskTargetName() {
  std::optional<QString> entered = prompts_.InputBox(
      QStringLiteral("Uložení změn"), QStringLiteral("Zadejte název souboru pro uložení změn:"),
      QStringLiteral("novy"));
  if (!entered) return std::nullopt;
  return QFile::decodeName(
      QByteArray::fromStdString(FreeSaveName(ToLocalPath(subtitlesPath), entered->toStdString())));
}

void TForm1::AskSaveChanges() {
  if (UkladatZmeny1->isChecked() &&
      prompts_.AskYesNo(QStringLiteral("Upozornění"),
                        QStringLiteral("V upravovaném souboru s titulky byly provedeny změny, "
                                       "chcete tyto změny uložit?"))) {
    if (!ETarget->text().isEmpty())
      UlozButClick();
    else
      SaveUnderAskedName(false);
  }
  changed_ = false;
}

void TForm1::UkladatZmeny1Click() {
  // The check item's tick is the option itself; the menu toggles it.
}

void TForm1::KonecButClick() { close(); }

void TForm1::Vybrat1Click() {
  if (doc_.Count() == 0) return;
  ListBox1->selectAll();
}

void TForm1::SynTitZav1Click() { ESync->clear(); }

// ---------------------------------------------------------------- window

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shown_) {
    shown_ = true;
    // After the window is on screen, as the event loop runs.
    QTimer::singleShot(0, this, [this] { FormShow(); });
  }
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  // Not every window manager honours the minimum size: grow back to it.
  const QSize min = minimumSize();
  if (width() < min.width() || height() < min.height())
    QTimer::singleShot(0, this, [this] { resize(size().expandedTo(minimumSize())); });
  FormResize();
}

void TForm1::FormResize() {
  if (!central || !ListBox1) return;
  const int w = central->width();
  const int h = central->height();
  const QRect lb = ListBox1->geometry();
  ListBox1->setGeometry(lb.left(), lb.top(), std::max(0, w - 2 * lb.left()),
                        std::max(0, h - lb.top() - 2 * VymazBut->height()));
  const QRect p = Panel1->geometry();
  Panel1->setGeometry(p.left(), p.top(), std::max(0, w - p.left() - ListBox1->x()), p.height());
  MediaPlayer1->move(Panel1->x() + Panel1->width() - MediaPlayer1->width() - 1, MediaPlayer1->y());
  Label4->move(ListBox1->x() + ListBox1->width() - Label4->width(), Label4->y());
  const int top = ListBox1->y() + ListBox1->height() + 3;
  QPushButton* row[] = {PrepocitejBut, VymazBut, UlozBut, SireBut, NapBut, KonecBut};
  const int gap = Scaled(217) - (Scaled(96) + Scaled(100));
  const int bw = PrepocitejBut->width();
  int left = RoundHalfEven((w - 6.0 * bw - 5.0 * gap) / 2.0);
  for (QPushButton* b : row) {
    b->move(left, top);
    left = b->x() + b->width() + gap;
  }
  StatusBar1->setGeometry(0, h - StatusBar1->height(), width(), StatusBar1->height());
  emit FilmPanelResized();
}

void TForm1::PaintBackground(QPainter& p) {
  PaintTiledBackground(p, central->rect(), background);
  // A 3-pixel line from the offset field through "=" to the scale field.
  QPen pen(palette().color(QPalette::WindowText));
  pen.setWidth(3);
  p.setPen(pen);
  int y = RovnaBut->y() + RoundHalfEven(RovnaBut->height() / 2.0);
  p.drawLine(E5->x() + E5->width(), y, E6->x(), y);
}

void TForm1::closeEvent(QCloseEvent* event) {
  // A failed save of the unsaved changes keeps the window open, so nothing is lost.
  bool ok = RunCommand([this] {
    if (changed_) AskSaveChanges();
    SaveRecentFiles();
  });
  if (!ok) {
    event->ignore();
    return;
  }
  EndAutosave();
  if (Form15) Form15->close();  // keeps its place in the settings
  delete form4;
  form4 = nullptr;
  Timer1->stop();
  event->accept();
}

bool TForm1::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    hint_ = static_cast<QStatusTipEvent*>(event)->tip();
    return true;
  }
  return QMainWindow::event(event);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride && IsMenuShortcut(static_cast<QKeyEvent*>(event))) {
    // The menus' keys are the window's: a field keeps only the keys no menu
    // item uses, so the shortcut is not taken over by it.
    event->ignore();
    return true;
  }
  if (watched == ListBox1->viewport()) return ListViewportEvent(event);
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == ESource && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
      RunCommand([this] { ESourceKeyPress(); });
      return true;  // swallowed
    }
    if (watched == ListBox1 && key->key() == Qt::Key_Delete &&
        (key->modifiers() & ~Qt::ShiftModifier) == Qt::NoModifier) {
      RunCommand([this] { Odebrat1Click(); }, OdebVyb1->text());
      return true;
    }
    for (QLineEdit* field : {E1, E2, E3, E4, E5, E6})
      if (watched == field) return FilterFieldKey(field, key);
  }
  if (watched == Panel1 && event->type() == QEvent::KeyPress &&
      FilmPanelKey(static_cast<QKeyEvent*>(event)))
    return true;
  if (watched == Panel1 && event->type() == QEvent::MouseButtonRelease) {
    // A click is the left button let go over the panel.
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton && Panel1->rect().contains(mouse->position().toPoint()))
      emit Panel1Clicked();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

bool TForm1::IsMenuShortcut(const QKeyEvent* key) const {
  const QKeySequence pressed(key->keyCombination());
  for (const QAction* a : actions())
    if (a->shortcutContext() == Qt::WindowShortcut && a->shortcut() == pressed) return true;
  return false;
}

bool TForm1::ListViewportEvent(QEvent* event) {
  if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick)
    return false;
  auto* mouse = static_cast<QMouseEvent*>(event);
  // A right click keeps a selection: the popup menu acts on the rows chosen.
  if (mouse->button() == Qt::RightButton) return HasSelection();
  // A double click anywhere in the list, below the last row too, jumps to
  // the cursor row.
  if (event->type() == QEvent::MouseButtonDblClick && mouse->button() == Qt::LeftButton)
    QTimer::singleShot(0, this, [this] { RunCommand([this] { ListBox1DblClick(); }); });
  return false;
}

void TForm1::keyPressEvent(QKeyEvent* event) {
  // Enter that no control took: a focused button is pressed, anything else
  // presses the default button "Přepočítat" when it is enabled.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
      button->click();
    else if (PrepocitejBut->isEnabled())
      PrepocitejBut->click();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

bool TForm1::FilterFieldKey(QLineEdit* field, QKeyEvent* key) {
  // E1-E4 take digits, E5 also the comma and minus, E6 the comma. Characters
  // are filtered; keys that type nothing (arrows, Delete) pass. True: dropped.
  const QString allowed = field == E5   ? QStringLiteral("0123456789,-")
                          : field == E6 ? QStringLiteral("0123456789,")
                                        : QStringLiteral("0123456789");
  // Only printable characters are filtered: Tab, Backspace, Delete and the
  // other editing and navigation keys always pass.
  const QString text = key->text();
  const bool typed = !text.isEmpty() && text.at(0).isPrint();
  if (typed && !allowed.contains(text.at(0))) return true;
  // The frame fields take at most seven typed characters. The program's own
  // numbers may be longer and are never cut.
  if (field != E5 && field != E6 && typed &&
      field->text().size() - field->selectedText().size() >= 7)
    return true;
  return key->matches(QKeySequence::Paste) || key->matches(QKeySequence::Cut) ||
         key->matches(QKeySequence::Copy);
}

void TForm1::Timer1Timer() {
  // The hint of whatever is under the pointer, and the encoding.
  StatusText->setText(QStringLiteral(" ") + hint_);
  ShowEncoding();
  // Computing the new times needs both pairs of frames.
  RovnaBut->setEnabled(!E1->text().isEmpty() && !E2->text().isEmpty() && !E3->text().isEmpty() &&
                       !E4->text().isEmpty());
  // Recalculation needs both values and an existing source file.
  const bool recalc =
      !E5->text().isEmpty() && !E6->text().isEmpty() && FileExists(ToLocalPath(ESource->text()));
  for (QAction* a : {PrepocVyb1, PrepocVse1, Prepocitat1}) a->setEnabled(recalc);
  PrepocitejBut->setEnabled(recalc);
  // Saving needs a target name and rows.
  const bool save = !ETarget->text().isEmpty() && doc_.Count() > 0;
  Ulozit1->menuAction()->setEnabled(save);
  for (QAction* a : Ulozit1->actions()) a->setEnabled(save);
  UlozBut->setEnabled(save);
  // The list menus; their items (and so their shortcuts) follow them.
  const bool any = doc_.Count() > 0;
  std::function<void(QMenu*, bool)> enableMenu = [&](QMenu* m, bool on) {
    m->menuAction()->setEnabled(on);
    for (QAction* a : m->actions()) {
      if (a->menu())
        enableMenu(a->menu(), on);
      else if (a == PrepocVse1 || a == PrepocVyb1)
        a->setEnabled(on && recalc);
      else
        a->setEnabled(on);
    }
  };
  enableMenu(Upravy1, any);
  UpdateUndoItems();
  enableMenu(Formatovani2, any);
  SireBut->setEnabled(any);
  // The film commands while a film is open.
  const bool film = FilmOpen();
  for (QAction* a : {FilmZav, Start1, Pauza1, Stop1, Zavrit1, InfoFilm1}) a->setEnabled(film);
  AutoSync1->setEnabled(film && doc_.Count() > 0);
  // The subtitle over the film.
  UpdateOverlay();
  // Closing a subtitle file while one is named.
  ZdrojTitZav1->setEnabled(!ESource->text().isEmpty());
  SynTitZav1->setEnabled(!ESync->text().isEmpty());
  // The popup menu only while rows are selected.
  ListBox1->setContextMenuPolicy(HasSelection() ? Qt::CustomContextMenu : Qt::NoContextMenu);
}

}  // namespace velorin
