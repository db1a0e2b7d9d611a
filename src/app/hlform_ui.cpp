#include "app/hlform_ui.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <algorithm>
#include <cmath>
#include <vector>

#include "app/subtitle_list_model.h"
#include "document/text_encoding.h"

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

QString Utf8(const char* text) { return QString::fromUtf8(text); }

bool HasKey(QKeyCombination key) { return key.key() != Qt::Key_unknown && key.toCombined() != 0; }

// A menu item with its caption, key, Tag, hint and check state. Keys of the
// main menu work while the menus are closed; a key that is only shown (a
// popup twin's, or one another item takes) works nowhere.
QAction* MakeItem(QMenu& menu, const char* caption, QKeyCombination key, bool keyWorks, int tag,
                  const char* hint, unsigned flags) {
  QAction* a = menu.addAction(Utf8(caption));
  if (HasKey(key)) {
    a->setShortcut(key);
    a->setShortcutContext(keyWorks ? Qt::WindowShortcut : Qt::WidgetShortcut);
  }
  a->setData(tag);
  if (hint) a->setStatusTip(Utf8(hint));
  if (flags & MenuCommand::Checkable) {
    a->setCheckable(true);
    a->setChecked(flags & MenuCommand::Checked);
  }
  return a;
}

}  // namespace

int TForm1Ui::Scaled(int designUnits) const {
  // Design coordinates were laid out at 120 pixels per inch.
  return static_cast<int>(std::nearbyint(designUnits * scaleFactor * 96.0 / 120.0));
}

void TForm1Ui::BuildControls(QMainWindow& window, double scale,
                             std::function<void(QPainter&)> paint) {
  scaleFactor = scale;
  central = new Canvas(std::move(paint), &window);
  window.setCentralWidget(central);
  // The design font is a Windows one; Liberation Sans has Arial's metrics.
  QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                             {QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
  QFont::insertSubstitutions(QStringLiteral("Arial"), {QStringLiteral("Liberation Sans")});
  QFont windowFont(QStringLiteral("MS Sans Serif"));
  windowFont.setPixelSize(Scaled(14));
  central->setFont(windowFont);
  BuildFileFields();
  BuildFilmPanel();
  BuildListAndButtons();
  BuildStatusBar();

  QWidget* order[] = {ESource,  PrBut,         ESync,    PrBut2,  ETarget, E1,       E2,
                      E3,       CasBut1,       E4,       CasBut2, E5,      RovnaBut, E6,
                      ListBox1, PrepocitejBut, VymazBut, UlozBut, SireBut, NapBut,   KonecBut,
                      Panel1,   PlayBut,       PauseBut, StopBut};
  for (size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void TForm1Ui::Place(QWidget* w, int x, int y, int width, int height) const {
  if (width < 0) {
    w->adjustSize();
    w->move(Scaled(x), Scaled(y));
  } else {
    w->setGeometry(Scaled(x), Scaled(y), Scaled(width), Scaled(height));
  }
}

QLabel* TForm1Ui::MakeLabel(const char* text, int x, int y) const {
  auto* l = new QLabel(QString::fromUtf8(text), central);
  Place(l, x, y);
  return l;
}

QLineEdit* TForm1Ui::MakeEdit(int x, int y, int w, int h) const {
  auto* e = new QLineEdit(central);
  Place(e, x, y, w, h);
  return e;
}

QPushButton* TForm1Ui::MakeButton(const char* text, int x, int y, int w, int h) const {
  auto* b = new QPushButton(QString::fromUtf8(text), central);
  Place(b, x, y, w, h);
  return b;
}

void TForm1Ui::BuildFileFields() {
  auto label = [this](const char* text, int x, int y) { return MakeLabel(text, x, y); };
  auto edit = [this](int x, int y, int w, int h) { return MakeEdit(x, y, w, h); };
  auto button = [this](const char* text, int x, int y, int w, int h) {
    return MakeButton(text, x, y, w, h);
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
}

void TForm1Ui::BuildFilmPanel() {
  Label3 = MakeLabel("Okno s filmem:", 492, 30);
  LSnimek = MakeLabel("", 585, 30);
  LSnimek->setMinimumWidth(Scaled(150));
  // Our fonts run wider than the design's: keep a gap after the caption.
  LSnimek->move(std::max(LSnimek->x(), Label3->x() + Label3->width() + Scaled(8)), LSnimek->y());

  // The player's buttons: play, pause, stop.
  MediaPlayer1 = new QWidget(central);
  Place(MediaPlayer1, 775, 7, 85, 37);
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
  Place(Panel1, 492, 49, 389, 287);

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
}

void TForm1Ui::BuildListAndButtons() {
  auto button = [this](const char* text, int x, int y, int w, int h) {
    return MakeButton(text, x, y, w, h);
  };
  Label4 = MakeLabel("Obsah upravovaného souboru s titulky:", 640, 356);

  ListBox1 = new SubtitleListView(central);
  Place(ListBox1, 10, 374, 871, 149);
  ListBox1->setUniformItemSizes(true);
  ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);

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
}

void TForm1Ui::BuildStatusBar() {
  StatusBar1 = new QStatusBar(central);
  StatusBar1->setSizeGripEnabled(false);
  Place(StatusBar1, 0, 569, 904, 19);
  StatusText = new QLabel(StatusBar1);
  StatusBar1->addWidget(StatusText, 1);
  StatusProgress = new QProgressBar(StatusBar1);
  StatusProgress->setMaximumWidth(Scaled(200));
  StatusProgress->setMaximumHeight(StatusBar1->height() - 2);
  StatusProgress->setTextVisible(false);
  StatusProgress->hide();
  StatusBar1->addPermanentWidget(StatusProgress);
  EncodingButton = new QToolButton(StatusBar1);
  EncodingButton->setAutoRaise(true);
  EncodingButton->setPopupMode(QToolButton::InstantPopup);
  EncodingButton->setMaximumHeight(StatusBar1->height() - 2);
  EncodingButton->setToolTip(
      Utf8("Kódování, ve kterém se titulky zobrazují a píší. Soubor se jeho změnou nepřevádí."));
  EncodingMenu = new QMenu(EncodingButton);
  auto* group = new QActionGroup(EncodingMenu);
  for (const EncodingInfo& info : Encodings()) {
    QAction* a = EncodingMenu->addAction(Utf8(info.name) + QStringLiteral(" (") +
                                         Utf8(info.region) + QStringLiteral(")"));
    a->setCheckable(true);
    a->setData(static_cast<int>(info.id));
    group->addAction(a);
  }
  EncodingButton->setMenu(EncodingMenu);
  StatusBar1->addPermanentWidget(EncodingButton);
}

void TForm1Ui::BuildMenus(QMainWindow& window, std::span<const MenuCommand> commands) {
  QMenuBar* bar = window.menuBar();
  for (const MenuCommand& c : commands) {
    QMenu* parent = c.menu ? this->*c.menu : nullptr;
    if (parent && (c.flags & MenuCommand::SeparatorBefore)) parent->addSeparator();
    if (c.submenu) {
      this->*c.submenu = parent ? parent->addMenu(Utf8(c.caption)) : bar->addMenu(Utf8(c.caption));
      continue;
    }
    QAction* a = MakeItem(*parent, c.caption, c.key, !(c.flags & MenuCommand::KeyShownOnly), c.tag,
                          c.hint, c.flags);
    window.addAction(a);  // its key works while the menu bar item is closed
    this->*c.item = a;
    if (c.button && c.hint) (this->*c.button)->setStatusTip(Utf8(c.hint));
    if (c.flags & MenuCommand::RecentFiles) {
      parent->addSeparator();
      for (int i = 0; i < 9; ++i) {
        Rych[i] =
            MakeItem(*parent, "", {}, true, i + 1, "Naposledy otevřené soubory s titulky.", 0);
        Rych[i]->setText(QStringLiteral("%1.").arg(i + 1));
        window.addAction(Rych[i]);
      }
    }
  }

  // The popup menu takes its twins from the same rows, in its own order.
  PopupMenu1 = new QMenu(&window);
  std::vector<const MenuCommand*> twins;
  for (const MenuCommand& c : commands)
    if (c.popupMenu) twins.push_back(&c);
  std::stable_sort(twins.begin(), twins.end(), [](const MenuCommand* a, const MenuCommand* b) {
    return a->popupOrder < b->popupOrder;
  });
  for (const MenuCommand* c : twins) {
    QMenu* parent = this->*c->popupMenu;
    if (c->flags & MenuCommand::PopupSeparatorBefore) parent->addSeparator();
    const char* caption = c->popupCaption ? c->popupCaption : c->caption;
    if (c->popupSubmenu) {
      this->*c->popupSubmenu = parent->addMenu(Utf8(caption));
      continue;
    }
    // The keys belong to the main menu; here they are only shown.
    const QKeyCombination key =
        (c->flags & MenuCommand::PopupWithoutKey) ? QKeyCombination() : c->key;
    QAction* a = MakeItem(*parent, caption, key, false, c->tag,
                          c->popupHint ? c->popupHint : c->hint, c->flags);
    a->setVisible(!(c->flags & MenuCommand::PopupHidden));
    this->*c->popupItem = a;
  }
}

void TForm1Ui::SetHints() {
  auto hint = [](const char* text, std::initializer_list<QWidget*> targets) {
    for (QWidget* w : targets) w->setStatusTip(Utf8(text));
  };
  hint("Tato hodnota se po stisku tlačítka Přepočítat přičte/odečte od čísel všech snímků.", {E5});
  hint("Touto hodnotou se po stisku tlačítka Přepočítat vynásobí čísla všech snímků.", {E6});
  hint("Výběr zdrojového souboru s titulky.", {PrBut});
  hint("Uložení všech změn do souboru specifikovaného položkou Cílový soubor s titulky.",
       {UlozBut});
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
}

}  // namespace velorin
