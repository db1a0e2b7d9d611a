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

#include "app/subtitle_list_model.h"
#include "app/wait_cursor.h"
#include "document/error.h"
#include "document/file_names.h"
#include "document/subtitle_file.h"
#include "document/subtitle_line.h"
#include "document/text_encoding.h"
#include "layout/sire.h"

namespace velorin {

namespace {

// The window's client area: paints the background and the line that joins the
// offset and scale fields through the "=" button.
class Canvas : public QWidget {
 public:
  Canvas(std::function<void(QPainter&)> paint, QWidget* parent)
      : QWidget(parent), paint_(std::move(paint)) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    paint_(p);
  }

 private:
  std::function<void(QPainter&)> paint_;
};

std::string ToLocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

int RoundHalfEven(double v) { return static_cast<int>(std::nearbyint(v)); }

}  // namespace

TForm1::TForm1(Prompts& prompts, Options options, QWidget* parent)
    : QMainWindow(parent), prompts_(prompts), fileArgument_(options.fileArgument) {
  // Program folder, change flag, scale factor, size, program-wide state.
  programDir = options.programDir;
  if (programDir.isEmpty()) programDir = QCoreApplication::applicationDirPath();
  if (!programDir.endsWith('/')) programDir += '/';
  settingsPath = options.settingsPath;
  changed_ = false;
  scaleFactor = logicalDpiX() / 96.0;

  setWindowTitle(
      QStringLiteral("Velorin - komplexní nástroj pro synchronizaci a editaci filmových titulků"));
  BuildControls();
  BuildMenus();
  BuildPopupMenu();
  SetHints();
  WireCommands();

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
  if (options.startTimer) Timer1->start();
}

TForm1::~TForm1() = default;

int TForm1::Scaled(int designUnits) const {
  // Design coordinates were laid out at 120 pixels per inch.
  return RoundHalfEven(designUnits * scaleFactor * 96.0 / 120.0);
}

QSize TForm1::MinimumClientSize() const {
  return {RoundHalfEven(770 * scaleFactor), RoundHalfEven(480 * scaleFactor)};
}

void TForm1::BuildControls() {
  central = new Canvas([this](QPainter& p) { PaintBackground(p); }, this);
  setCentralWidget(central);
  // The design font is a Windows one; Liberation Sans has Arial's metrics.
  QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                             {QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
  QFont::insertSubstitutions(QStringLiteral("Arial"), {QStringLiteral("Liberation Sans")});
  QFont windowFont(QStringLiteral("MS Sans Serif"));
  windowFont.setPixelSize(Scaled(14));
  central->setFont(windowFont);

  auto place = [this](QWidget* w, int x, int y, int width = -1, int height = -1) {
    if (width < 0) {
      w->adjustSize();
      w->move(Scaled(x), Scaled(y));
    } else {
      w->setGeometry(Scaled(x), Scaled(y), Scaled(width), Scaled(height));
    }
  };
  auto label = [&](const char* text, int x, int y) {
    auto* l = new QLabel(QString::fromUtf8(text), central);
    place(l, x, y);
    return l;
  };
  auto edit = [&](int x, int y, int w, int h) {
    auto* e = new QLineEdit(central);
    place(e, x, y, w, h);
    return e;
  };
  auto button = [&](const char* text, int x, int y, int w, int h) {
    auto* b = new QPushButton(QString::fromUtf8(text), central);
    place(b, x, y, w, h);
    return b;
  };

  Label5 = label("Zdrojový soubor s titulky:", 10, 10);
  ESource = edit(10, 30, 420, 24);
  PrBut = button("...", 441, 27, 40, 31);
  Label6 = label("Synchronizovat podle souboru:", 10, 69);
  ESync = edit(10, 89, 420, 24);
  PrBut2 = button("...", 441, 86, 40, 31);
  Label7 = label("Cílový soubor s titulky:", 10, 128);
  ETarget = edit(10, 148, 420, 24);
  Label8 = label("První snímek upravovaných titulků:", 10, 187);
  E1 = edit(10, 207, 228, 24);
  Label9 = label("Poslední snímek upravovaných titulků:", 10, 246);
  E2 = edit(10, 266, 228, 24);
  Label10 = label("První snímek nových titulků:", 252, 187);
  E3 = edit(252, 207, 178, 24);
  CasBut1 = button("Čas", 441, 204, 40, 31);
  Label11 = label("Poslední snímek nových titulků:", 252, 246);
  E4 = edit(252, 266, 178, 24);
  CasBut2 = button("Čas", 441, 263, 40, 30);
  Label1 = label("Výsledný posun (+/-):", 10, 309);
  E5 = edit(10, 330, 165, 24);
  RovnaBut = button("=", 198, 326, 41, 31);
  Label2 = label("Časové měřítko:", 262, 309);
  E6 = edit(262, 330, 165, 24);
  Label3 = label("Okno s filmem:", 492, 30);
  LSnimek = label("", 585, 30);
  LSnimek->setMinimumWidth(Scaled(150));
  // Our fonts run wider than the design's: keep a gap after the caption.
  LSnimek->move(std::max(LSnimek->x(), Label3->x() + Label3->width() + Scaled(8)), LSnimek->y());

  // The player's buttons: play, pause, stop.
  MediaPlayer1 = new QWidget(central);
  place(MediaPlayer1, 775, 7, 85, 37);
  {
    int bw = MediaPlayer1->width() / 3;
    PlayBut = new QPushButton(QStringLiteral("▶"), MediaPlayer1);
    PauseBut = new QPushButton(QStringLiteral("❚❚"), MediaPlayer1);
    StopBut = new QPushButton(QStringLiteral("■"), MediaPlayer1);
    int i = 0;
    for (QPushButton* b : {PlayBut, PauseBut, StopBut}) {
      b->setGeometry(i++ * bw, 0, bw, MediaPlayer1->height());
      b->setFocusPolicy(Qt::TabFocus);
      b->setEnabled(false);
    }
  }

  Panel1 = new QLabel(QStringLiteral("Pro otevření filmu klikněte na tento panel."), central);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setLineWidth(Scaled(3));
  Panel1->setAlignment(Qt::AlignCenter);
  Panel1->setWordWrap(true);
  Panel1->setFocusPolicy(Qt::TabFocus);
  place(Panel1, 492, 49, 389, 287);
  Panel1->installEventFilter(this);

  LTitulek = new QLabel(Panel1);
  {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(Scaled(15));
    f.setBold(true);
    LTitulek->setFont(f);
    LTitulek->setStyleSheet(QStringLiteral("QLabel { color: white; background: black; }"));
    LTitulek->setAlignment(Qt::AlignCenter);
    LTitulek->hide();
  }

  Label4 = label("Obsah upravovaného souboru s titulky:", 640, 356);

  ListBox1 = new QListView(central);
  place(ListBox1, 10, 374, 871, 149);
  ListBox1->setUniformItemSizes(true);
  ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
  model_ = new SubtitleListModel(
      doc_, [this](const std::string& bytes) { return DecodeLine(bytes); }, this);
  model_->SetRowHeight(Scaled(16));
  ListBox1->setModel(model_);
  ListBox1->installEventFilter(this);

  PrepocitejBut = button("&Přepočítat", 96, 530, 100, 31);
  PrepocitejBut->setDefault(true);
  VymazBut = button("&Vymazat vše", 217, 530, 99, 31);
  UlozBut = button("&Uložit", 336, 530, 100, 31);
  SireBut = button("Šíř&e titulků", 457, 530, 99, 31);
  NapBut = button("&Nápověda", 576, 530, 100, 31);
  // Alt+N opens the "Nápověda" menu; the button's underlined N would make the
  // key ambiguous and then neither would react.
  NapBut->setShortcut(QKeySequence());
  KonecBut = button("&Konec", 697, 530, 99, 31);

  StatusBar1 = new QStatusBar(central);
  StatusBar1->setSizeGripEnabled(false);
  place(StatusBar1, 0, 569, 904, 19);
  StatusText = new QLabel(StatusBar1);
  StatusBar1->addWidget(StatusText, 1);
  StatusProgress = new QProgressBar(StatusBar1);
  StatusProgress->setMaximumWidth(Scaled(200));
  StatusProgress->setMaximumHeight(StatusBar1->height() - 2);
  StatusProgress->setTextVisible(false);
  StatusProgress->hide();
  StatusBar1->addPermanentWidget(StatusProgress);

  for (QLineEdit* e : {ESource, E1, E2, E3, E4, E5, E6}) e->installEventFilter(this);

  QWidget* order[] = {ESource,       PrBut,    ESync,   ETarget, E1,       E2,       E3,
                      CasBut1,       E4,       CasBut2, E5,      RovnaBut, E6,       ListBox1,
                      PrepocitejBut, VymazBut, UlozBut, SireBut, NapBut,   KonecBut, Panel1,
                      PlayBut,       PauseBut, StopBut};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void TForm1::BuildMenus() {
  QMenuBar* bar = menuBar();
  auto item = [this](QMenu* menu, const char* text, const QKeySequence& key = {}) {
    QAction* a = menu->addAction(QString::fromUtf8(text));
    if (!key.isEmpty()) {
      a->setShortcut(key);
      a->setShortcutContext(Qt::WindowShortcut);
    }
    addAction(a);  // shortcuts work while the menu bar item is closed
    return a;
  };
  auto sub = [](QMenu* menu, const char* text) { return menu->addMenu(QString::fromUtf8(text)); };

  Soubor1 = bar->addMenu(QStringLiteral("&Soubor"));
  Novy2 = item(Soubor1, "Nový");
  Otevrit2 = sub(Soubor1, "Otevřít");
  ZdrojTit1 = item(Otevrit2, "Zdrojové titulky", Qt::Key_F2);
  SynTit1 = item(Otevrit2, "Synchronizační titulky", Qt::CTRL | Qt::Key_F2);
  Film2 = item(Otevrit2, "Film", Qt::CTRL | Qt::Key_F);
  Ulozit1 = sub(Soubor1, "Uložit do cílového souboru");
  UlozitVse1 = item(Ulozit1, "Všechny titulky", Qt::Key_F3);
  UlozitVyb1 = item(Ulozit1, "Vybrané titulky", Qt::CTRL | Qt::Key_F3);
  UlozitSrt2 = item(Ulozit1, "Ve formátu SRT", Qt::ALT | Qt::Key_F3);
  Soubor1->addSeparator();
  NastavPoz2 = sub(Soubor1, "Nastavit pozadí aplikace");
  VychoziPoz2 = item(NastavPoz2, "Výchozí pozadí aplikace");
  VlastniPoz2 = item(NastavPoz2, "Vlastní pozadí aplikace");
  NastavCesty2 = sub(Soubor1, "Nastavit cesty");
  CestaTit1 = item(NastavCesty2, "Cesta k titulkům", Qt::Key_F12);
  CestaFilm1 = item(NastavCesty2, "Cesta k filmům", Qt::CTRL | Qt::Key_F12);
  AsociovatSoubory1 = item(Soubor1, "Asociace titulkových souborů");
  UkladatZmeny1 = item(Soubor1, "Dotazovat se na uložení změn");
  UkladatZmeny1->setCheckable(true);
  UkladatZmeny1->setChecked(true);
  Soubor1->addSeparator();
  Zavrit2 = sub(Soubor1, "Zavřít");
  ZdrojTitZav1 = item(Zavrit2, "Zdrojové titulky", Qt::Key_F10);
  SynTitZav1 = item(Zavrit2, "Synchronizační titulky", Qt::ALT | Qt::Key_F10);
  FilmZav = item(Zavrit2, "Film", Qt::CTRL | Qt::Key_F10);
  UlozNas2 = item(Soubor1, "Uložit nastavení", Qt::Key_F8);
  Soubor1->addSeparator();
  for (int i = 0; i < 9; ++i) {
    Rych[i] = item(Soubor1, "");
    Rych[i]->setText(QStringLiteral("%1.").arg(i + 1));
    Rych[i]->setData(i + 1);  // the entry's Tag
  }
  Soubor1->addSeparator();
  Konec2 = item(Soubor1, "Konec", Qt::Key_F4);

  Upravy1 = bar->addMenu(QStringLiteral("Úpr&avy"));
  VybratVse1 = item(Upravy1, "Vybrat vše", Qt::CTRL | Qt::Key_A);
  VymazVse1 = item(Upravy1, "Vymazat vše", Qt::ALT | Qt::Key_Delete);
  Upravy1->addSeparator();
  PrepocVse1 = item(Upravy1, "Přepočítat vše", Qt::CTRL | Qt::Key_P);
  Synchronizace1 = item(Upravy1, "Pokročilá synchronizace", Qt::CTRL | Qt::Key_Z);
  Upravy1->addSeparator();
  OdebVyb1 = item(Upravy1, "Odebrat vybrané", Qt::CTRL | Qt::Key_D);
  PrepocVyb1 = item(Upravy1, "Přepočítat vybrané", Qt::ALT | Qt::Key_P);
  UpravTit1 = item(Upravy1, "Upravit titulek", Qt::CTRL | Qt::Key_U);
  VlozTitulek2 = item(Upravy1, "Vložit titulek", Qt::CTRL | Qt::Key_Insert);
  OpravTitulky2 = item(Upravy1, "Opravit titulky", Qt::CTRL | Qt::Key_O);
  Prejit2 = item(Upravy1, "Přejít na titulek číslo", Qt::CTRL | Qt::Key_T);
  HledejText2 = item(Upravy1, "Hledat text", Qt::CTRL | Qt::Key_H);
  PridSoub1 = item(Upravy1, "Přidat ze souboru", Qt::Key_Insert);
  SeradCas1 = item(Upravy1, "Seřadit chronologicky", Qt::CTRL | Qt::Key_R);
  Upravy1->addSeparator();
  Dopln2 = item(Upravy1, "Upravit číslo druhého snímku", Qt::CTRL | Qt::Key_2);
  Odstran2 = item(Upravy1, "Odstranit číslo druhého snímku", Qt::CTRL | Qt::Key_Delete);
  SireTit1 = item(Upravy1, "Nastavení šíře titulků", Qt::CTRL | Qt::Key_S);
  PocRad2 = sub(Upravy1, "Počet řádků titulků");
  Spojit1 = item(PocRad2, "Spojit do jednoho řádku");
  Rozdelit2 = item(PocRad2, "Rozdělit do dvou řádků");
  Rozdelit3 = item(PocRad2, "Rozdělit do tří řádků");
  Rozdelit4 = item(PocRad2, "Rozdělit do čtyř řádků");
  Rozdelit5 = item(PocRad2, "Rozdělit do pěti řádků");
  {
    int tag = 0;
    for (QAction* a : {Spojit1, Rozdelit2, Rozdelit3, Rozdelit4, Rozdelit5}) a->setData(tag++);
  }
  PocRad2->addSeparator();
  Maximalne2 = item(PocRad2, "Maximálně");
  Maximalne2->setCheckable(true);
  Maximalne2->setChecked(true);
  Upravy1->addSeparator();
  Souhrn1 = item(Upravy1, "Souhrnné informace o titulcích", Qt::CTRL | Qt::Key_I);

  Film1 = bar->addMenu(QStringLiteral("&Film"));
  Otevrit1 = item(Film1, "Otevřít");  // Ctrl+F is Film2's
  Otevrit1->setShortcut(Qt::CTRL | Qt::Key_F);
  Otevrit1->setShortcutContext(Qt::WidgetShortcut);  // shown, but Film2 takes the key
  Film1->addSeparator();
  Start1 = item(Film1, "Start", Qt::Key_F5);
  Pauza1 = item(Film1, "Pauza", Qt::Key_F6);
  Stop1 = item(Film1, "Stop", Qt::Key_F7);
  Film1->addSeparator();
  Zavrit1 = item(Film1, "Zavřít");
  Zavrit1->setShortcut(Qt::CTRL | Qt::Key_F10);
  Zavrit1->setShortcutContext(Qt::WidgetShortcut);  // FilmZav takes the key
  InfoFilm1 = item(Film1, "Informace o filmu");

  Formatovani2 = bar->addMenu(QStringLiteral("F&ormátování"));
  NastavPismo2 = item(Formatovani2, "Nastavit písmo", Qt::CTRL | Qt::SHIFT | Qt::Key_P);
  NastavStyl2 = item(Formatovani2, "Nastavit styl", Qt::CTRL | Qt::SHIFT | Qt::Key_S);
  NastavVel2 = item(Formatovani2, "Nastavit velikost", Qt::CTRL | Qt::SHIFT | Qt::Key_V);
  NastavBar2 = item(Formatovani2, "Nastavit barvu", Qt::CTRL | Qt::SHIFT | Qt::Key_B);
  NastavPismo2->setData(3);
  NastavStyl2->setData(0);
  NastavVel2->setData(1);
  NastavBar2->setData(2);
  OdstranFor2 = sub(Formatovani2, "Odstranit formátování");
  OdDruh2 = item(OdstranFor2, "Druh písma", Qt::ALT | Qt::SHIFT | Qt::Key_P);
  OdStyl2 = item(OdstranFor2, "Styl písma", Qt::ALT | Qt::SHIFT | Qt::Key_S);
  OdVel2 = item(OdstranFor2, "Velikost písma", Qt::ALT | Qt::SHIFT | Qt::Key_V);
  OdBar2 = item(OdstranFor2, "Barva písma", Qt::ALT | Qt::SHIFT | Qt::Key_B);
  OdVse2 = item(OdstranFor2, "Vše", Qt::ALT | Qt::SHIFT | Qt::Key_A);

  Napoveda1 = bar->addMenu(QStringLiteral("&Nápověda"));
  ObecnaNap1 = item(Napoveda1, "Všeobecná nápověda", Qt::Key_F1);
  FormatovaniNap1 = item(Napoveda1, "Způsoby formátování", Qt::CTRL | Qt::Key_F1);
  StrukturaIni1 = item(Napoveda1, "Struktura souboru Velorin.ini", Qt::ALT | Qt::Key_F1);
  Napoveda1->addSeparator();
  OAplikaci1 = item(Napoveda1, "O aplikaci", Qt::SHIFT | Qt::Key_F1);
}

void TForm1::BuildPopupMenu() {
  PopupMenu1 = new QMenu(this);
  auto item = [](QMenu* menu, const char* text, const QKeySequence& key = {}) {
    QAction* a = menu->addAction(QString::fromUtf8(text));
    // The same keys belong to the main menu; here they are only shown.
    if (!key.isEmpty()) {
      a->setShortcut(key);
      a->setShortcutContext(Qt::WidgetShortcut);
    }
    return a;
  };
  Vybrat1 = item(PopupMenu1, "Vybrat vše", Qt::CTRL | Qt::Key_A);
  Odebrat1 = item(PopupMenu1, "Odebrat vybrané", Qt::CTRL | Qt::Key_D);
  Prepocitat1 = item(PopupMenu1, "Přepočítat vybrané", Qt::ALT | Qt::Key_P);
  UlozVyb1 = item(PopupMenu1, "Uložit vybrané", Qt::CTRL | Qt::Key_F3);
  PopupMenu1->addSeparator();
  UpravTitulek1 = item(PopupMenu1, "Upravit titulek", Qt::CTRL | Qt::Key_U);
  VlozTitulek1 = item(PopupMenu1, "Vložit titulek", Qt::CTRL | Qt::Key_Insert);
  OpravTitulek1 = item(PopupMenu1, "Opravit titulek", Qt::CTRL | Qt::Key_O);
  Prejit1 = item(PopupMenu1, "Přejít na titulek číslo", Qt::CTRL | Qt::Key_T);
  HledejText1 = item(PopupMenu1, "Hledat text", Qt::CTRL | Qt::Key_H);
  PopupMenu1->addSeparator();
  Doplnit1 = item(PopupMenu1, "Upravit číslo druhého snímku", Qt::CTRL | Qt::Key_2);
  Odstranit1 = item(PopupMenu1, "Odstranit číslo druhého snímku", Qt::CTRL | Qt::Key_Delete);
  Pridat1 = item(PopupMenu1, "Přidat titulky ze souboru", Qt::Key_Insert);
  Seradit1 = item(PopupMenu1, "Seřadit chronologicky", Qt::CTRL | Qt::Key_R);
  PopupMenu1->addSeparator();
  PocRad1 = PopupMenu1->addMenu(QStringLiteral("Počet řádků titulků"));
  Radek1 = item(PocRad1, "Spojit do jednoho řádku");
  Radek2 = item(PocRad1, "Rozdělit do dvou řádků");
  Radek3 = item(PocRad1, "Rozdělit do tří řádků");
  Radek4 = item(PocRad1, "Rozdělit do čtyř řádků");
  Radek5 = item(PocRad1, "Rozdělit do pěti řádků");
  {
    int tag = 0;
    for (QAction* a : {Radek1, Radek2, Radek3, Radek4, Radek5}) a->setData(tag++);
  }
  PocRad1->addSeparator();
  Maximalne1 = item(PocRad1, "Maximálně");
  Maximalne1->setCheckable(true);
  Maximalne1->setChecked(true);
  Formatovani1 = PopupMenu1->addMenu(QStringLiteral("Formátování titulků"));
  NastavPismo1 = item(Formatovani1, "Nastavit písmo");
  NastavStyl1 = item(Formatovani1, "Nastavit styl");
  NastavVel1 = item(Formatovani1, "Nastavit velikost");
  NastavBar1 = item(Formatovani1, "Nastavit barvu");
  NastavPismo1->setData(3);
  NastavStyl1->setData(0);
  NastavVel1->setData(1);
  NastavBar1->setData(2);
  OdstranFor1 = Formatovani1->addMenu(QStringLiteral("Odstranit formátování"));
  OdDruh1 = item(OdstranFor1, "Druh písma");
  OdStyl1 = item(OdstranFor1, "Styl písma");
  OdVel1 = item(OdstranFor1, "Velikost písma");
  OdBar1 = item(OdstranFor1, "Barva písma");
  OdVse1 = item(OdstranFor1, "Vše");
  PopupMenu1->addSeparator();
  InfoTit1 = item(PopupMenu1, "Souhrnné informace o titulcích", Qt::CTRL | Qt::Key_I);
  Synchronizace2 = item(PopupMenu1, "Pokročilá synchronizace");
  Synchronizace2->setVisible(false);
}

void TForm1::SetHints() {
  auto hint = [](const char* text, std::initializer_list<QObject*> targets) {
    QString h = QString::fromUtf8(text);
    for (QObject* o : targets) {
      if (auto* w = qobject_cast<QWidget*>(o)) w->setStatusTip(h);
      if (auto* a = qobject_cast<QAction*>(o)) a->setStatusTip(h);
    }
  };
  hint(
      "Na základě hodnot výsledného posunu a časového měřítka se upraví čísla snímků u všech "
      "titulků.",
      {PrepocitejBut, PrepocVse1});
  hint("Tato hodnota se po stisku tlačítka Přepočítat přičte/odečte od čísel všech snímků.", {E5});
  hint("Touto hodnotou se po stisku tlačítka Přepočítat vynásobí čísla všech snímků.", {E6});
  hint("Výběr zdrojového souboru s titulky.", {PrBut});
  hint("Uložení všech změn do souboru specifikovaného položkou Cílový soubor s titulky.",
       {UlozBut});
  hint("Podrobný popis všech funkcí aplikace a další důležité informace.", {NapBut, ObecnaNap1});
  hint("Vymazání obsahu všech položek v tomto okně, včetně filmu, který je právě otevřen.",
       {VymazBut, VymazVse1});
  hint("Ukončení aplikace.", {KonecBut, Konec2});
  hint("Zadání prvního snímku nových titulků prostřednictvím časového údaje.", {CasBut1});
  hint("Zadání posledního snímku nových titulků prostřednictvím časového údaje.", {CasBut2});
  hint("Výběr souboru, podle kterého se provede synchronizace.", {PrBut2});
  hint("Okno, ve kterém se přehrává film, ke kterému upravujete titulky.", {Panel1});
  hint(
      "Zobrazení obsahu upravovaného souboru, když toto okno není prázdné, pak se po kliknutí "
      "pravým tlačítkem zobrazí plovoucí menu.",
      {ListBox1});
  hint("Automatické dopočítání výsledného posunu a časového měřítka.", {RovnaBut});
  hint("Panel pro přehrávání filmu.", {MediaPlayer1, PlayBut, PauseBut, StopBut});
  hint("Úprava šířky titulků na základě zvoleného rozlišení.", {SireBut, SireTit1});
  hint("S tímto souborem se budou provádět veškeré úpravy.", {ESource});
  hint(
      "Na základě tohoto souboru se určí první a poslední snímek nových titulků a dopočítá se "
      "výsledný posun a časové měřítko.",
      {ESync});
  hint("Do tohoto souboru se uloží veškeré změny.", {ETarget});
  hint("Číslo snímku, při kterém se zobrazí první titulek filmu.", {E1});
  hint("Číslo snímku, při kterém se zobrazí poslední titulek filmu.", {E2});
  hint("Číslo snímku, při kterém se má zobrazit první titulek filmu.", {E3});
  hint("Číslo snímku, při kterém se má zobrazit poslední titulek filmu.", {E4});
  hint("Označení všech titulků. Titulky se zvýrazní modře.", {Vybrat1, VybratVse1});
  hint("Odstranění modře označených titulků.", {Odebrat1, OdebVyb1});
  hint("Přepočítání snímků u vybraných titulků na základě výsledného posunu a časového měřítka.",
       {Prepocitat1, PrepocVyb1});
  hint(
      "Uložení modře označených titulků do souboru specifikovaného položkou Cílový soubor s "
      "titulky.",
      {UlozVyb1});
  hint("Otevření okna pro úpravu vybraného titulku.", {UpravTitulek1, UpravTit1});
  hint("Vložení nového titulku na pozici, na kterou ukazuje kurzor.", {VlozTitulek1, VlozTitulek2});
  hint("Oprava vybraných titulků.", {OpravTitulek1, OpravTitulky2});
  hint("Přechod na titulek s číslem snímku, který zadáte.", {Prejit1, Prejit2});
  hint("Vyhledávání textu v titulkovém souboru.", {HledejText1, HledejText2});
  hint("Upravení čísla druhého snímku u vybraných titulků.", {Doplnit1, Dopln2});
  hint("Odstranění čísla druhého snímku u vybraných titulků.", {Odstranit1, Odstran2});
  hint("Dodatečné vložení titulků z externího souboru.", {Pridat1, PridSoub1});
  hint("Seřazení všech titulků na základě čísla prvního snímku.", {Seradit1, SeradCas1});
  hint("Sjednocení vybraných titulků do jednoho řádku.", {Radek1, Spojit1});
  hint("Rozdělení vybraných titulků do dvou řádků.", {Radek2, Rozdelit2});
  hint("Rozdělení vybraných titulků do tří řádků.", {Radek3, Rozdelit3});
  hint("Rozdělení vybraných titulků do čtyř řádků.", {Radek4, Rozdelit4});
  hint("Rozdělení vybraných titulků do pěti řádků.", {Radek5, Rozdelit5});
  hint("Rozdělení titulků do maximálního počtu řádků.", {Maximalne1, Maximalne2});
  hint("Nastavení druhu písma vybraných titulků.", {NastavPismo1, NastavPismo2});
  hint("Nastavení stylu písma vybraných titulků.", {NastavStyl1, NastavStyl2});
  hint("Nastavení velikosti písma vybraných titulků.", {NastavVel1, NastavVel2});
  hint("Nastavení barvy písma vybraných titulků.", {NastavBar1, NastavBar2});
  hint("Odstranění druhu písma vybraných titulků.", {OdDruh1, OdDruh2});
  hint("Odstranění stylu písma vybraných titulků.", {OdStyl1, OdStyl2});
  hint("Odstranění velikosti písma vybraných titulků.", {OdVel1, OdVel2});
  hint("Odstranění barvy písma vybraných titulků.", {OdBar1, OdBar2});
  hint("Odstranění údajů o formátování u vybraných titulků.", {OdVse1, OdVse2});
  hint("Zobrazení souhrnných informací.", {InfoTit1, Souhrn1});
  hint("Vytvoření nového souboru s titulky.", {Novy2});
  hint("Otevření souboru s titulky, které chcete upravovat.", {ZdrojTit1});
  hint("Otevření souboru, podle kterého chcete titulky synchronizovat.", {SynTit1});
  hint("Otevření filmu, ke kterému chcete titulky upravovat.", {Film2, Otevrit1});
  hint("Uložení všech změn do cílového souboru.", {UlozitVse1});
  hint("Uložení pouze modře označených titulků do cílového souboru.", {UlozitVyb1});
  hint("Uložení titulků do cílového souboru ve formátu SRT.", {UlozitSrt2});
  hint("Umístění výchozího obrázku na pozadí všech oken aplikace.", {VychoziPoz2});
  hint("Umístění vlastního obrázku na pozadí všech oken aplikace.", {VlastniPoz2});
  hint("Volba adresáře, ve kterém jsou uloženy titulky.", {CestaTit1});
  hint("Volba adresáře, ve kterém jsou uloženy filmy.", {CestaFilm1});
  hint("Přidružení vybraných typů titulkových souborů k aplikaci Velorin.", {AsociovatSoubory1});
  hint(
      "Při zaškrtnutí této volby se objeví dotaz na uložení změn při zavírání titulků, "
      "otevírání nových a před ukončením aplikace.",
      {UkladatZmeny1});
  hint("Zavření zdrojového souboru s titulky.", {ZdrojTitZav1});
  hint("Zavření synchronizačního souboru.", {SynTitZav1});
  hint("Zavření právě otevřeného filmu.", {FilmZav, Zavrit1});
  hint("Uložení nastavení aplikace do souboru Velorin.ini.", {UlozNas2});
  for (QAction* a : Rych) a->setStatusTip(QStringLiteral("Naposledy otevřené soubory s titulky."));
  hint("Spuštění přehrávání právě otevřeného filmu.", {Start1});
  hint("Pozastavení přehrávání právě otevřeného filmu.", {Pauza1});
  hint("Ukončení přehrávání právě otevřeného filmu. Film se zároveň přetočí na začátek.", {Stop1});
  hint("Informace o způsobu formátování titulků.", {FormatovaniNap1});
  hint("Informace o struktuře souboru Velorin.ini", {StrukturaIni1});
  hint("Souhrnné informace o aplikaci Velorin.", {OAplikaci1});
}

void TForm1::On(QObject* sender, Handler handler) {
  auto run = [this, handler] { RunCommand([this, handler] { (this->*handler)(); }); };
  if (auto* a = qobject_cast<QAction*>(sender))
    connect(a, &QAction::triggered, this, run);
  else if (auto* b = qobject_cast<QPushButton*>(sender))
    connect(b, &QPushButton::clicked, this, run);
}

void TForm1::WireCommands() {
  auto on = [this](QObject* sender, Handler handler) { On(sender, handler); };
  on(PrBut, &TForm1::PrButClick);
  on(ZdrojTit1, &TForm1::PrButClick);
  on(UlozBut, &TForm1::UlozButClick);
  on(UlozitVse1, &TForm1::UlozButClick);
  on(UlozitVyb1, &TForm1::UlozVyb1Click);
  on(UlozVyb1, &TForm1::UlozVyb1Click);
  on(ZdrojTitZav1, &TForm1::ZdrojTitZav1Click);
  on(SynTitZav1, &TForm1::SynTitZav1Click);
  on(VymazBut, &TForm1::VymazButClick);
  on(VymazVse1, &TForm1::VymazButClick);
  on(KonecBut, &TForm1::KonecButClick);
  on(Konec2, &TForm1::KonecButClick);
  on(VybratVse1, &TForm1::Vybrat1Click);
  on(Vybrat1, &TForm1::Vybrat1Click);
  // Qt ticks and unticks the check item itself.
  connect(UkladatZmeny1, &QAction::triggered, this, [this] { UkladatZmeny1Click(); });
  connect(ListBox1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    if (ListBox1->contextMenuPolicy() == Qt::CustomContextMenu && HasSelection())
      PopupMenu1->popup(ListBox1->viewport()->mapToGlobal(pos));
  });
  WireSettingsCommands();
  WireRetimingCommands();
  WireFilmCommands();
  WireEditCommands();
}

// ---------------------------------------------------------------- document

QString TForm1::DecodeLine(const std::string& bytes) const {
  if (doc_.IsUtf8()) return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
  std::string utf8 = Cp1250ToUtf8(bytes);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string TForm1::EncodeText(const QString& text) const {
  QByteArray utf8 = text.toUtf8();
  std::string s(utf8.constData(), static_cast<size_t>(utf8.size()));
  return doc_.IsUtf8() ? s : Utf8ToCp1250(s);
}

bool TForm1::HasSelection() const {
  return ListBox1->selectionModel() && ListBox1->selectionModel()->hasSelection();
}

void TForm1::PullSelection() {
  doc_.ClearSelection();
  const QItemSelection sel = ListBox1->selectionModel()->selection();
  for (const QItemSelectionRange& r : sel)
    for (int row = r.top(); row <= r.bottom() && row < doc_.Count(); ++row)
      doc_.SetSelected(row, true);
  QModelIndex cur = ListBox1->currentIndex();
  doc_.SetCursorRow(cur.isValid() && cur.row() < doc_.Count() ? cur.row() : -1);
}

namespace {

// Selection flags of rows first..last as ranges of the model.
QItemSelection SelectionRanges(const QAbstractItemModel* model, const std::vector<char>& flags,
                               int first, int last) {
  QItemSelection sel;
  int row = first;
  while (row <= last) {
    if (!flags[row]) {
      ++row;
      continue;
    }
    int start = row;
    while (row <= last && flags[row]) ++row;
    sel.select(model->index(start, 0), model->index(row - 1, 0));
  }
  return sel;
}

}  // namespace

void TForm1::PushAll() {
  model_->ResetAll();
  QItemSelectionModel* sm = ListBox1->selectionModel();
  if (doc_.CursorRow() >= 0 && doc_.CursorRow() < doc_.Count())
    sm->setCurrentIndex(model_->index(doc_.CursorRow()), QItemSelectionModel::NoUpdate);
  if (doc_.Count() > 0)
    sm->select(SelectionRanges(model_, doc_.SelectionFlags(), 0, doc_.Count() - 1),
               QItemSelectionModel::ClearAndSelect);
}

void TForm1::PushRows(int first, int last) {
  first = std::max(first, 0);
  last = std::min(last, doc_.Count() - 1);
  if (first > last) return;
  model_->RowsChanged(first, last);
  QItemSelectionModel* sm = ListBox1->selectionModel();
  QItemSelection all(model_->index(first), model_->index(last));
  sm->select(all, QItemSelectionModel::Deselect);
  sm->select(SelectionRanges(model_, doc_.SelectionFlags(), first, last),
             QItemSelectionModel::Select);
}

bool TForm1::RunCommand(const std::function<void()>& fn) {
  if (busy_ > 0) return false;
  ++busy_;
  struct Done {
    TForm1* f;
    ~Done() {
      --f->busy_;
      f->StatusProgress->hide();
    }
  } done{this};
  WaitCursor wait;
  try {
    fn();
    return true;
  } catch (const std::exception& e) {
    wait.Restore();
    prompts_.ShowError(QString::fromUtf8(e.what()));
  }
  return false;
}

ProgressFn TForm1::Progress() {
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  return [this, clock](size_t done, size_t total) {
    if (clock->elapsed() < 50) return;
    clock->restart();
    StatusProgress->setRange(0, 1000);
    StatusProgress->setValue(total ? static_cast<int>(done * 1000 / total) : 0);
    StatusProgress->show();
    // Keep the window painted and the timer running; commands stay blocked
    // while this one runs, and typing waits until it ends.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  };
}

void TForm1::FormShow() {
  LoadSettings();
  RefreshRecentMenu();
  if (!fileArgument_.isEmpty()) {
    QString path = fileArgument_;
    RunCommand([this, path] { LoadSubtitleFile(path); });
  }
}

void TForm1::LoadSubtitleFile(const QString& path) {
  AddRecentFile(path);
  openDialogDir = QString::fromStdString(DirectoryPart(path.toStdString()));
  ESource->setText(path);
  QString target = QFile::decodeName(QByteArray::fromStdString(FreeTargetName(ToLocalPath(path))));
  if (ReadSubtitleFile(path)) {
    changed_ = false;
    ETarget->setText(target);
    UpdateFrameFields();
    RecomputeIfComplete();
  } else {
    ClearFields();
    ZdrojTitZav1Click();
  }
}

bool TForm1::ReadSubtitleFile(const QString& path) {
  doc_.Clear();
  PushAll();
  ReadOutcome read = ReadSubtitleLines(ToLocalPath(path), Progress());
  if (read.kind == ReadKind::NotSubtitleFile) return ConvertForeignFile(path);
  doc_.SetUtf8(read.utf8);
  doc_.Assign(std::move(read.lines));
  PushAll();
  ShowSubtitleAt(overlayCursor);
  return doc_.Count() > 0;
}

bool TForm1::ConvertForeignFile(const QString&) {
  // No conversion dialog yet: the file is not converted.
  return false;
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
  doc_.Clear();
  PushAll();
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
  // Unlike the original behaviour of this path, unsaved changes are asked about
  // first, as every other way of loading does.
  if (changed_) AskSaveChanges();
  LoadSubtitleFile(path);
}

void TForm1::SaveLines(bool selectedOnly) {
  PullSelection();
  WriteSubtitleFile(ToLocalPath(ETarget->text()), doc_.Lines(),
                    selectedOnly ? &doc_.SelectionFlags() : nullptr, Progress());
  changed_ = false;
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
  if (!background.isNull()) p.drawPixmap(central->rect(), background);
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
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == ESource && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
      RunCommand([this] { ESourceKeyPress(); });
      return true;  // swallowed
    }
    if (watched == ListBox1 && key->key() == Qt::Key_Delete &&
        (key->modifiers() & ~Qt::ShiftModifier) == Qt::NoModifier) {
      RunCommand([this] { Odebrat1Click(); });
      return true;
    }
    QString allowed;
    if (watched == E1 || watched == E2 || watched == E3 || watched == E4)
      allowed = QStringLiteral("0123456789");
    else if (watched == E5)
      allowed = QStringLiteral("0123456789,-");
    else if (watched == E6)
      allowed = QStringLiteral("0123456789,");
    if (!allowed.isEmpty()) {
      // Characters are filtered; keys that type nothing (arrows, Delete) pass.
      const QString text = key->text();
      if (!text.isEmpty() && text != QStringLiteral("\b") && !allowed.contains(text.at(0)))
        return true;
      // The frame fields take at most seven typed characters. The program's own
      // numbers may be longer and are never cut.
      auto* edit = static_cast<QLineEdit*>(watched);
      if (watched != E5 && watched != E6 && !text.isEmpty() && text != QStringLiteral("\b") &&
          edit->text().size() - edit->selectedText().size() >= 7)
        return true;
      if (key->matches(QKeySequence::Paste) || key->matches(QKeySequence::Cut) ||
          key->matches(QKeySequence::Copy))
        return true;
    }
  }
  if (watched == Panel1 && event->type() == QEvent::MouseButtonRelease) {
    // A click is the left button let go over the panel.
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton && Panel1->rect().contains(mouse->position().toPoint()))
      emit Panel1Clicked();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::Timer1Timer() {
  // 1. The hint of whatever is under the pointer.
  StatusText->setText(QStringLiteral(" ") + hint_);
  // 2.
  RovnaBut->setEnabled(!E1->text().isEmpty() && !E2->text().isEmpty() && !E3->text().isEmpty() &&
                       !E4->text().isEmpty());
  // 3. Recalculation needs both values and an existing source file.
  const bool recalc =
      !E5->text().isEmpty() && !E6->text().isEmpty() && FileExists(ToLocalPath(ESource->text()));
  for (QAction* a : {PrepocVyb1, PrepocVse1, Prepocitat1}) a->setEnabled(recalc);
  PrepocitejBut->setEnabled(recalc);
  // 4.
  const bool save = !ETarget->text().isEmpty() && doc_.Count() > 0;
  Ulozit1->menuAction()->setEnabled(save);
  for (QAction* a : Ulozit1->actions()) a->setEnabled(save);
  UlozBut->setEnabled(save);
  // 5. The list menus; their items (and so their shortcuts) follow them.
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
  enableMenu(Formatovani2, any);
  SireBut->setEnabled(any);
  // 6.
  const bool film = FilmOpen();
  for (QAction* a : {FilmZav, Start1, Pauza1, Stop1, Zavrit1, InfoFilm1}) a->setEnabled(film);
  // 7.
  UpdateOverlay();
  // 8.
  ZdrojTitZav1->setEnabled(!ESource->text().isEmpty());
  SynTitZav1->setEnabled(!ESync->text().isEmpty());
  // 9. The popup menu only while rows are selected.
  ListBox1->setContextMenuPolicy(HasSelection() ? Qt::CustomContextMenu : Qt::NoContextMenu);
}

}  // namespace velorin
