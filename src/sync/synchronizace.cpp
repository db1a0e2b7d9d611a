#include "sync/synchronizace.h"

#include <QFile>
#include <QKeyEvent>
#include <algorithm>

#include "app/dialog_support.h"
#include "app/main_form.h"
#include "app/subtitle_list_model.h"
#include "document/encoding_detection.h"
#include "document/file_names.h"
#include "document/subtitle_file.h"
#include "document/subtitle_line.h"
#include "document/text_encoding.h"
#include "sync/novecislo.h"

namespace velorin {

namespace {

QString Text(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

// A count label right-aligned over the right edge of its list.
void ShowCount(QLabel* label, const QWidget* list, size_t count) {
  label->setText(QString::fromStdString(CountLabel(count)));
  label->adjustSize();
  label->move(list->x() + list->width() - label->width(), label->y());
}

}  // namespace

TForm11::TForm11(MainForm& form1, QWidget* parent)
    : QDialog(parent ? parent : form1.Window()), form1_(form1) {
  setWindowTitle(QStringLiteral("Pokročilá synchronizace"));
  const DialogBuilder s(*this, form1_);
  auto tip = [](QWidget* w, const char* text) { w->setToolTip(QString::fromUtf8(text)); };
  auto list = [&](QListView* view, int left, int top, int width, int height) {
    view->setGeometry(s(left), s(top), s(width), s(height));
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setUniformItemSizes(true);  // a long file is shown at once
  };
  auto button = [&](const char* text, int top, const char* hint) {
    auto* b = new QPushButton(QString::fromUtf8(text), this);
    b->setGeometry(s(828), s(top), s(122), s(31));
    b->setAutoDefault(false);
    tip(b, hint);
    return b;
  };

  const char* docHint =
      "Obsah upravovaného souboru s titulky. V závorce je uveden počet titulkových řádků.";
  Label1 = s.Label("Obsah upravovaného souboru s titulky:", 16, 12);
  ListBox1 = new QListView(this);
  list(ListBox1, 16, 36, 560, 290);
  tip(ListBox1, docHint);
  Label5 = s.Label("(0)", 16, 12);
  tip(Label5, "Počet titulků v souboru.");

  Label2 = s.Label("Synchronizovat podle souboru:", 16, 338);
  ESync = new QLineEdit(this);
  ESync->setGeometry(s(16), s(360), s(514), s(28));
  tip(ESync, "Název souboru, podle kterého proběhne synchronizace.");
  PrBut = new QPushButton(QStringLiteral("..."), this);
  PrBut->setAutoDefault(false);
  PrBut->setGeometry(s(536), s(358), s(40), s(31));
  tip(PrBut, "Výběr souboru, podle kterého proběhne synchronizace.");

  Label3 = s.Label("Obsah souboru, podle kterého proběhne synchronizace:", 16, 400);
  ListBox2 = new QListView(this);
  list(ListBox2, 16, 424, 560, 180);
  tip(ListBox2,
      "Obsah souboru, podle kterého proběhne synchronizace. V závorce je uveden počet "
      "titulkových řádků.");
  Label4 = s.Label("(0)", 16, 400);
  tip(Label4, "Počet titulků v souboru.");

  Label6 = s.Label("Synchronizační snímky:", 596, 12);
  ListBox3 = new QListWidget(this);
  list(ListBox3, 596, 36, 216, 568);
  tip(ListBox3,
      "Čísla snímků, podle kterých proběhne synchronizace. Na první místě je uvedena nová "
      "hodnota, na druhém je původní hodnota.");
  Label7 = s.Label("(0)", 596, 12);
  ListBox4 = new QListWidget(this);
  ListBox4->hide();

  PridBut = button("&Přidat", 36, "Přidání synchronizačního snímku na konec seznamu.");
  VlozBut = button("&Vložit", 74, "Vložení synchronizačního snímku na pozici kurzoru.");
  DopBut = button("&Doplnit", 112, "Doplnění prvního a posledního synchronizačního snímku.");
  OdebBut = button("&Odebrat", 166, "Odebraní vybraného synchronizačního snímku ze seznamu.");
  OdebVseBut = button("Od&ebrat vše", 204, "Vymazání všech synchronizačních snímků.");
  SyncBut = button("&Synchronizovat", 258, "Spuštění synchronizace.");
  ZavBut = button("&Zavřít", 573, "Uzavření tohoto okna.");

  QWidget* order[] = {ListBox1, ESync,  PrBut,   ListBox2,   ListBox3, PridBut,
                      VlozBut,  DopBut, OdebBut, OdebVseBut, SyncBut,  ZavBut};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  setFixedSize(s(966), s(620));
  CentreOnScreen(*this, form1_);

  docModel_ = new SubtitleListModel(
      form1_.Doc(), [this](std::string_view bytes) { return form1_.DecodeLine(bytes); }, this);
  docModel_->SetRowHeight(s(16));
  ListBox1->setModel(docModel_);
  syncModel_ = new SubtitleListModel(
      syncList_,
      [this](std::string_view bytes) {
        return QString::fromStdString(DecodeText(bytes, syncEncoding_));
      },
      this);
  syncModel_->SetRowHeight(s(16));
  ListBox2->setModel(syncModel_);

  connect(PrBut, &QPushButton::clicked, this, s.Command(&TForm11::PrButClick));
  connect(PridBut, &QPushButton::clicked, this, s.Command(&TForm11::PridButClick));
  connect(VlozBut, &QPushButton::clicked, this, s.Command(&TForm11::VlozButClick));
  connect(DopBut, &QPushButton::clicked, this, s.Command(&TForm11::DopButClick));
  connect(OdebBut, &QPushButton::clicked, this, s.Command(&TForm11::OdebButClick));
  connect(OdebVseBut, &QPushButton::clicked, this, s.Command(&TForm11::OdebVseButClick));
  connect(SyncBut, &QPushButton::clicked, this, s.Command(&TForm11::SyncButClick));
  connect(ZavBut, &QPushButton::clicked, this, &TForm11::ZavButClick);
  connect(ListBox3, &QListWidget::itemDoubleClicked, this, s.Command(&TForm11::ListBox3DblClick));
  ListBox3->installEventFilter(this);

  Timer1 = new QTimer(this);
  Timer1->setInterval(10);
  connect(Timer1, &QTimer::timeout, this, &TForm11::Timer1Timer);
  FormCreate();
  Timer1Timer();
  Timer1->start();
}

TForm11::~TForm11() = default;

void TForm11::FormCreate() {
  docModel_->ResetAll();
  ShowCount(Label5, ListBox1, static_cast<size_t>(form1_.Doc().Count()));
  ShowCount(Label4, ListBox2, 0);
  ShowPoints(-1);
  const QString path = form1_.SyncFileName();
  if (path.isEmpty() || !FileExists(LocalPath(path))) return;
  // A file that cannot be read is reported and the dialog opens without it.
  form1_.RunCommand([&] {
    if (!LoadSyncList(path))
      form1_.Ask().Message(Text(kCaptionSyncWarning), Text(kMsgSyncFileUnusable));
  });
}

bool TForm11::LoadSyncList(const QString& path) {
  // Every point is dropped, whether or not the new file can be used.
  syncList_.Clear();
  syncModel_->ResetAll();
  points_.clear();
  ShowPoints(-1);
  ShowCount(Label4, ListBox2, 0);
  const std::string raw = ReadFileBytes(LocalPath(path));
  const TextBytes text(raw);  // UTF-16 as its UTF-8
  const std::string_view bytes = text.View();
  syncEncoding_ = DetectEncoding(bytes);
  syncList_.Assign(ScanSyncList(bytes));
  syncModel_->ResetAll();
  ShowCount(Label4, ListBox2, static_cast<size_t>(syncList_.Count()));
  if (syncList_.Empty()) return false;
  ESync->setText(path);
  return true;
}

void TForm11::PrButClick() {
  std::optional<QString> path = form1_.Ask().OpenFile(
      QStringLiteral("Otevření souboru s titulky pro synchronizaci"),
      QStringLiteral("soubory s titulky (*.sub *.txt)"),
      QFile::decodeName(QByteArray::fromStdString(DirectoryPart(LocalPath(ESync->text())))));
  if (!path) return;
  // The file already shown is not loaded again, unless its lines are gone
  // (a file that could not be used was chosen since).
  if (*path == ESync->text() && !syncList_.Empty()) return;
  if (!LoadSyncList(*path))
    form1_.Ask().Message(Text(kCaptionSyncWarning), Text(kMsgSyncFileUnusable));
}

int TForm11::SelectedRow(const QListView* list) const {
  const QModelIndexList rows = list->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

int TForm11::SelectedPoint() const {
  const QList<QListWidgetItem*> items = ListBox3->selectedItems();
  return items.isEmpty() ? -1 : ListBox3->row(items.first());
}

int32_t TForm11::AskNewFrame() {
  const int row = SelectedRow(ListBox1);
  if (row < 0) return -1;
  TForm14 dialog(form1_, this);
  dialog.SetPresentFrame(ParseFirstFrame(form1_.Doc().Line(row)));
  ExecModal(dialog);
  return SyncFrameAnswer(dialog.Edit1->text().toStdString()).value_or(-1);
}

void TForm11::PlacePoint(size_t at, SyncPlacement how) {
  const int row = SelectedRow(ListBox1);
  if (row < 0) return;
  const int line = SelectedRow(ListBox2);
  const int32_t newFrame = line >= 0 ? SyncLineFrame(syncList_.Line(line)) : AskNewFrame();
  if (newFrame < 0) return;
  const int selected = SelectedPoint();
  SyncPointClash clash =
      PlaceSyncPoint(points_, at, MakeSyncPoint(form1_.Doc().Lines(), row, newFrame));
  if (clash.found) {
    form1_.Ask().Message(QStringLiteral("Velorin"), Text(SyncClashMessage(clash.frame, how)));
    return;
  }
  // The selected point stays selected, also when the new one goes before it.
  ShowPoints(selected >= 0 && static_cast<size_t>(selected) >= at ? selected + 1 : selected);
}

void TForm11::PridButClick() { PlacePoint(points_.size(), SyncPlacement::Add); }

void TForm11::VlozButClick() {
  const int selected = SelectedPoint();
  if (selected < 0) return;
  PlacePoint(static_cast<size_t>(selected), SyncPlacement::Insert);
}

void TForm11::DopButClick() {
  const int selected = SelectedPoint();
  // A copy, not an optional: GCC takes an engaged optional's point for
  // possibly uninitialized.
  const SyncPoint kept = selected >= 0 ? points_[static_cast<size_t>(selected)] : SyncPoint{};
  CompleteSyncPoints(points_, form1_.Doc().Lines(), syncList_.Lines());
  // The selected point stays selected unless it was replaced.
  int select = -1;
  if (selected >= 0) {
    auto it = std::find(points_.begin(), points_.end(), kept);
    if (it != points_.end()) select = static_cast<int>(it - points_.begin());
  }
  ShowPoints(select);
}

void TForm11::OdebButClick() {
  const int selected = SelectedPoint();
  if (selected < 0) return;
  points_.erase(points_.begin() + selected);
  ShowPoints(-1);
}

void TForm11::OdebVseButClick() {
  points_.clear();
  ShowPoints(-1);
}

void TForm11::ListBox3DblClick() {
  const int selected = SelectedPoint();
  if (selected < 0) return;
  SyncPoint& point = points_[static_cast<size_t>(selected)];
  TForm14 dialog(form1_, this);
  dialog.SetStartText(QString::number(point.newFrame));
  dialog.SetPresentFrame(point.oldFrame);
  ExecModal(dialog);
  if (std::optional<int32_t> frame = SyncFrameAnswer(dialog.Edit1->text().toStdString()))
    point.newFrame = *frame;
  ShowPoints(selected);
}

void TForm11::ListBox3KeyDown() { OdebButClick(); }

void TForm11::ProposePoints(const SyncPoints& points) {
  points_ = points;
  ShowPoints(-1);
  Timer1Timer();  // the buttons follow the points at once
}

void TForm11::ShowPoints(int select) {
  ListBox3->clear();
  ListBox4->clear();
  for (const SyncPoint& p : points_) {
    ListBox3->addItem(QString::fromStdString(FormatSyncPoint(p)));
    ListBox4->addItem(QString::number(p.position));
  }
  if (select >= 0 && select < ListBox3->count()) ListBox3->setCurrentRow(select);
  ShowCount(Label7, ListBox3, points_.size());
}

void TForm11::SyncButClick() {
  // While the segments run, nothing in the dialog can change the points or
  // the lists, and the dialog stays open.
  running_ = true;
  struct Running {
    TForm11* d;
    ~Running() {
      d->running_ = false;
      d->Timer1Timer();
    }
  } running{this};
  Timer1Timer();

  SubtitleList& doc = form1_.Doc();
  const SyncStatus status = Synchronize(doc, points_, form1_.Progress());
  if (status != SyncStatus::Done) {
    form1_.Ask().Message(QStringLiteral("Velorin"), Text(SyncStatusMessage(status)));
    return;
  }
  // The main window: every row once, nothing selected, E1 and E2 the new
  // first and last frame, E3 to E6 empty.
  form1_.PushRows(0, doc.Count() - 1);
  form1_.UpdateFrameFields();
  form1_.SetTargetFrames(QString(), QString());
  form1_.SetChanged(true);
  docModel_->ResetAll();
  ShowCount(Label5, ListBox1, static_cast<size_t>(doc.Count()));
}

void TForm11::ZavButClick() { reject(); }

void TForm11::done(int result) {
  if (running_) return;
  QDialog::done(result);
}

void TForm11::Timer1Timer() {
  SyncDialogState state;
  state.subtitleSelected = SelectedRow(ListBox1) >= 0;
  state.pointSelected = SelectedPoint() >= 0;
  state.pointCount = points_.size();
  state.syncLineCount = static_cast<size_t>(syncList_.Count());
  state.running = running_;
  const SyncButtons b = EnabledSyncButtons(state);
  PridBut->setEnabled(b.pridBut);
  VlozBut->setEnabled(b.vlozBut);
  DopBut->setEnabled(b.dopBut);
  OdebBut->setEnabled(b.odebBut);
  OdebVseBut->setEnabled(b.odebVseBut);
  SyncBut->setEnabled(b.syncBut);
  PrBut->setEnabled(b.prBut);
  ZavBut->setEnabled(b.zavBut);
}

void TForm11::keyPressEvent(QKeyEvent* event) {
  // The window has no default button: Enter presses the focused button and
  // does nothing elsewhere.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (auto* b = qobject_cast<QPushButton*>(focusWidget()); b && b->isEnabled()) b->click();
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool TForm11::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ListBox3 && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
    if (!running_ && SelectedPoint() >= 0) form1_.RunCommand([this] { ListBox3KeyDown(); });
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TForm11::paintEvent(QPaintEvent*) { PaintDialogBackground(*this, form1_); }

}  // namespace velorin
