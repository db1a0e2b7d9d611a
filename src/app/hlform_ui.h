#pragma once

#include <QAction>
#include <QKeyCombination>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QWidget>
#include <functional>
#include <span>

class QPainter;

namespace velorin {

class TForm1;
struct TForm1Ui;

// One command of the main window's menus: the main-menu item and its twin in
// the list's popup menu are made from the same row, so their captions, keys,
// Tags, hints and handlers cannot drift apart. A row whose `submenu` is set
// makes a submenu instead of an item.
struct MenuCommand {
  enum Flag : unsigned {
    SeparatorBefore = 1,       // a separator above the main item
    PopupSeparatorBefore = 2,  // a separator above the popup twin
    Checkable = 4,
    Checked = 8,
    KeyShownOnly = 16,  // the key is shown in the menu; another item takes it
    PopupWithoutKey = 32,
    PopupHidden = 64,
    RecentFiles = 128,  // the nine recent-file entries follow this row
  };
  using Handler = void (TForm1::*)();
  using TagHandler = void (TForm1::*)(int tag);

  QMenu* TForm1Ui::*menu = nullptr;  // the menu the item goes into; none: the menu bar
  QAction* TForm1Ui::*item = nullptr;
  QMenu* TForm1Ui::*submenu = nullptr;
  const char* caption = "";
  QKeyCombination key = {};
  int tag = 0;
  const char* hint = nullptr;
  Handler handler = nullptr;
  TagHandler tagHandler = nullptr;  // called with the row's Tag
  unsigned flags = 0;
  // The popup twin: its menu (none: no twin), item or submenu, and where the
  // popup differs from the main menu, its own caption and hint.
  QMenu* TForm1Ui::*popupMenu = nullptr;
  QAction* TForm1Ui::*popupItem = nullptr;
  QMenu* TForm1Ui::*popupSubmenu = nullptr;
  const char* popupCaption = nullptr;
  const char* popupHint = nullptr;
  int popupOrder = 0;  // the popup's order of its top-level entries (rows in between follow)
  // A button that runs the same command with the same hint.
  QPushButton* TForm1Ui::*button = nullptr;
};

// The main window's controls and menus, apart from what they do: built here,
// named as in the program's design, wired by TForm1.
struct TForm1Ui {
  // Builds every control on window's central widget; paint draws the client
  // area. scale is the screen's pixels per inch / 96.
  void BuildControls(QMainWindow& window, double scale, std::function<void(QPainter&)> paint);
  // Builds the menu bar and the popup menu from the command table.
  void BuildMenus(QMainWindow& window, std::span<const MenuCommand> commands);
  // The hints of the controls that no menu command covers.
  void SetHints();
  // Design geometry at 120 pixels per inch, scaled to the screen.
  int Scaled(int designUnits) const;

  double scaleFactor = 1.0;  // pixels per inch / 96

 private:
  void BuildFileFields();
  void BuildFilmPanel();
  void BuildListAndButtons();
  void BuildStatusBar();
  // Places w at design coordinates; a negative width keeps its own size.
  void Place(QWidget* w, int x, int y, int width = -1, int height = -1) const;
  QLabel* MakeLabel(const char* text, int x, int y) const;
  QLineEdit* MakeEdit(int x, int y, int w, int h) const;
  QPushButton* MakeButton(const char* text, int x, int y, int w, int h) const;

 public:
  QWidget* central = nullptr;
  QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9, *Label10,
      *Label11, *LSnimek, *LTitulek;
  QLineEdit *ESource, *ESync, *ETarget, *E1, *E2, *E3, *E4, *E5, *E6;
  QPushButton *PrBut, *PrBut2, *CasBut1, *CasBut2, *RovnaBut, *PrepocitejBut, *VymazBut, *UlozBut,
      *SireBut, *NapBut, *KonecBut;
  QLabel* Panel1;  // the film panel; its text is the panel's caption
  QWidget* MediaPlayer1;
  QPushButton *PlayBut, *PauseBut, *StopBut;  // the buttons of MediaPlayer1
  QListView* ListBox1;
  QStatusBar* StatusBar1;
  QLabel* StatusText;
  QProgressBar* StatusProgress;
  // The document's encoding; its menu lets the user show the text in another.
  QToolButton* EncodingButton;
  QMenu* EncodingMenu;
  QMenu* PopupMenu1 = nullptr;
  QTimer* Timer1 = nullptr;  // the 10 ms state refresh

  // Main menu.
  QMenu *Soubor1 = nullptr, *Otevrit2 = nullptr, *Ulozit1 = nullptr, *NastavPoz2 = nullptr,
        *NastavCesty2 = nullptr, *Zavrit2 = nullptr, *Upravy1 = nullptr, *PocRad2 = nullptr,
        *Film1 = nullptr, *Formatovani2 = nullptr, *OdstranFor2 = nullptr, *Napoveda1 = nullptr;
  // The spelling dictionaries installed, filled each time it opens.
  QMenu* Slovnik2 = nullptr;
  QAction *Novy2, *ZdrojTit1, *SynTit1, *Film2, *UlozitVse1, *UlozitVyb1, *UlozitSrt2, *VychoziPoz2,
      *VlastniPoz2, *CestaTit1, *CestaFilm1, *AsociovatSoubory1, *UkladatZmeny1, *ZdrojTitZav1,
      *SynTitZav1, *FilmZav, *UlozNas2, *Rych[9], *Konec2;
  QAction *Zpet1, *Znovu1;  // undo and redo, named after their step
  QAction *VybratVse1, *VymazVse1, *PrepocVse1, *Synchronizace1, *OdebVyb1, *PrepocVyb1, *UpravTit1,
      *VlozTitulek2, *OpravTitulky2, *Prejit2, *HledejText2, *PridSoub1, *SeradCas1, *Dopln2,
      *Odstran2, *SireTit1, *Spojit1, *Rozdelit2, *Rozdelit3, *Rozdelit4, *Rozdelit5, *Maximalne2,
      *Souhrn1, *KontrolaPravopisu1;
  QAction *Otevrit1, *Start1, *Pauza1, *Stop1, *Zavrit1, *InfoFilm1, *AutoSync1, *CasovaOsa1;
  QAction *NastavPismo2, *NastavStyl2, *NastavVel2, *NastavBar2, *OdDruh2, *OdStyl2, *OdVel2,
      *OdBar2, *OdVse2;
  QAction *ObecnaNap1, *FormatovaniNap1, *StrukturaIni1, *OAplikaci1;
  // Popup menu of the list.
  QMenu *PocRad1 = nullptr, *Formatovani1 = nullptr, *OdstranFor1 = nullptr;
  QAction *Zpet2, *Znovu2;
  QAction *Vybrat1, *Odebrat1, *Prepocitat1, *UlozVyb1, *UpravTitulek1, *VlozTitulek1,
      *OpravTitulek1, *Prejit1, *HledejText1, *Doplnit1, *Odstranit1, *Pridat1, *Seradit1, *Radek1,
      *Radek2, *Radek3, *Radek4, *Radek5, *Maximalne1, *NastavPismo1, *NastavStyl1, *NastavVel1,
      *NastavBar1, *OdDruh1, *OdStyl1, *OdVel1, *OdBar1, *OdVse1, *InfoTit1, *Synchronizace2, *Pravopis1;
};

}  // namespace velorin
