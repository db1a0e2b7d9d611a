#pragma once

#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QPixmap>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "app/prompts.h"
#include "document/subtitle_list.h"
#include "film/media_player.h"
#include "shell/settings.h"

class QAction;
class QMenu;
class QFrame;
class QProgressBar;
class QStatusBar;

namespace velorin {

class SubtitleListModel;
class TForm4;

// The main window: the subtitle list, the file and frame fields, the film
// panel, the menus and the 10 ms state refresh. Handlers read the controls,
// call the core and write the results back; dialogs get this window and work
// on its list and fields.
class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  struct Options {
    QString programDir;   // with a trailing '/'; empty: the executable's folder
    QString settingsPath; // empty: Velorin.ini in the program folder (or the user's config)
    QString fileArgument; // the first command-line argument
    bool startTimer = true;
  };

  TForm1(Prompts& prompts, Options options, QWidget* parent = nullptr);
  ~TForm1() override;

  // ---- document (hlform.cpp) ----
  SubtitleList& Doc() { return doc_; }
  Prompts& Ask() { return prompts_; }
  // Takes the view's selection and cursor row into Doc().
  void PullSelection();
  // Shows Doc() again: every row, the selection and the cursor row.
  void PushAll();
  // Shows rows first..last of Doc() again (text and selection), same row count.
  void PushRows(int first, int last);
  // Decodes a line's bytes for display, and encodes typed text back, in the
  // document's own encoding (UTF-8 or Windows-1250).
  QString DecodeLine(const std::string& bytes) const;
  std::string EncodeText(const QString& text) const;

  bool HasSelection() const;
  // Asks for a file name as the question about unsaved changes does and
  // returns a free name inside the subtitles folder; nothing when cancelled.
  std::optional<QString> AskTargetName();

  bool Changed() const { return changed_; }
  void SetChanged(bool changed) { changed_ = changed; }
  // Runs a command: one at a time, the hourglass on, an Error shown in the
  // general error box. Returns false when it failed or another command runs.
  bool RunCommand(const std::function<void()>& fn);
  bool Busy() const { return busy_ > 0; }
  // A progress callback for the core that shows a bar in the status bar and
  // keeps the window painted, at most every 50 ms.
  ProgressFn Progress();

  void FormShow();
  void LoadSubtitleFile(const QString& path);
  bool ReadSubtitleFile(const QString& path);
  void UpdateFrameFields();
  void ClearFields();
  void ZdrojTitZav1Click();
  void VymazButClick();
  void PrButClick();
  void UlozButClick();
  void UlozVyb1Click();
  void AskSaveChanges();
  void UkladatZmeny1Click();
  void KonecButClick();
  void Vybrat1Click();
  void SynTitZav1Click();
  void Timer1Timer();
  // Hands a file that is not frame-based to the conversion dialog; true when
  // it converted the file into the list.
  bool ConvertForeignFile(const QString& path);

  // Program-wide state.
  QString programDir;
  QString settingsPath;
  QString openDialogDir;      // where the source-file dialog opens
  QString lastOpenDir;
  QString frameRateText = QStringLiteral("25,000");
  QFont defaultFormat;
  QPixmap background;         // painted under the controls
  TForm4* form4 = nullptr;   // the width-fitting dialog, alive for the whole run

  // ---- settings and recent files (hlform_settings.cpp) ----
  void LoadSettings();
  void RefreshRecentMenu();
  void AddRecentFile(const QString& path);
  void SaveRecentFiles();
  void RychClick(int tag);
  void UlozNas2Click();
  void CestaTit1Click();
  void CestaFilm1Click();
  // The settings file: settingsPath when set, else Velorin.ini in the program
  // folder, or in the user's config folder when the program folder is read-only.
  QString SettingsFile() const;
  QString subtitlesPath;
  QString filmsPath;
  QStringList recentFiles;  // at most nine, newest first
  // Everything read from the settings file. Values that belong to dialogs
  // (the manual option of the width fitting, the chronological option, the
  // association flags, the background path) live here for them to use and
  // are written back from here.
  AppSettings settings;

  // ---- retiming (hlform_retiming.cpp) ----
  void RecomputeIfComplete();
  void RovnaButClick();
  // Applies E5 (offset) and E6 (scale) to every row, or to the selected rows.
  void RecalculateFrames(bool selectedOnly);
  void PrepocitejButClick();
  void Prepocitat1Click();
  void PrBut2Click();
  // Puts the first and last frame of a synchronization file into E3 and E4;
  // false when the file holds no subtitle line first.
  bool LoadSyncFileBounds(const QString& path);

  // ---- film (hlform_film.cpp) ----
  void ShowSubtitleAt(int index);
  void CloseFilm();
  bool FilmOpen() const;
  void UpdateOverlay();
  int overlayCursor = 0;
  int shownFirst = 0;
  int shownSecond = 0;
  void Panel1Click();
  void Start1Click();
  void Pauza1Click();
  void Stop1Click();
  void MediaPlayer1Click(QPushButton* button);
  void FilmZavClick();
  void ListBox1DblClick();
  void CasBut1Click();
  void CasBut2Click();
  void InfoFilm1Click();
  // The film player, made on first use (tests put a fake one in first).
  MediaPlayer& Player();
  void SetPlayer(std::unique_ptr<MediaPlayer> player);
  // The picture inside Panel1, inset 3 pixels; again after every resize.
  void AttachFilmDisplay();
  std::unique_ptr<MediaPlayer> filmPlayer;
  std::string overlayCaption;  // document bytes of LTitulek's text
  bool overlayVisible = false;
  // Where the film dialog opens once a film was chosen; null: the films path.
  QString filmDialogDir;

  // ---- editing (hlform_edit.cpp) ----
  void Odebrat1Click();
  void UpravTitulek1Click();
  void VlozTitulek1Click();
  void Opravatitulku1Click();
  void Seradit1Click();
  void Novy2Click();
  void Hledej1Click();
  void FindDialog1Find();
  void Prejit1Click();
  // Formatting: the dialog for one kind (0 style, 1 size, 2 colour, 3 font)
  // and the removal commands.
  void NastavFormatClick(int tag);
  void RemoveTagKind(char kind);
  void OdStyl1Click();
  void OdVel1Click();
  void OdBar1Click();
  void OdDruh2Click();
  void OdstranFor1Click();
  // Selects row alone in Doc() and the list, makes it the cursor row and
  // scrolls it into view.
  void SelectRowOnly(int row);
  // PushAll() keeping the list's scroll position.
  void PushAllKeepScroll();
  class FindDialog* FindDialog1 = nullptr;  // created on first use, kept open between searches
  QColor defaultFormatColor = Qt::black;  // the default format's colour (QFont has none)

  // ---- controls ----
  QWidget* central = nullptr;
  QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9,
      *Label10, *Label11, *LSnimek, *LTitulek;
  QLineEdit *ESource, *ESync, *ETarget, *E1, *E2, *E3, *E4, *E5, *E6;
  QPushButton *PrBut, *PrBut2, *CasBut1, *CasBut2, *RovnaBut, *PrepocitejBut, *VymazBut,
      *UlozBut, *SireBut, *NapBut, *KonecBut;
  QLabel* Panel1;  // the film panel; its text is the panel's caption
  QWidget* MediaPlayer1;
  QPushButton *PlayBut, *PauseBut, *StopBut;  // the buttons of MediaPlayer1
  QListView* ListBox1;
  QStatusBar* StatusBar1;
  QLabel* StatusText;
  QProgressBar* StatusProgress;
  QTimer* Timer1;
  QMenu* PopupMenu1;

  // Main menu.
  QMenu *Soubor1, *Otevrit2, *Ulozit1, *NastavPoz2, *NastavCesty2, *Zavrit2, *Upravy1, *PocRad2,
      *Film1, *Formatovani2, *OdstranFor2, *Napoveda1;
  QAction *Novy2, *ZdrojTit1, *SynTit1, *Film2, *UlozitVse1, *UlozitVyb1, *UlozitSrt2,
      *VychoziPoz2, *VlastniPoz2, *CestaTit1, *CestaFilm1, *AsociovatSoubory1, *UkladatZmeny1,
      *ZdrojTitZav1, *SynTitZav1, *FilmZav, *UlozNas2, *Rych[9], *Konec2;
  QAction *VybratVse1, *VymazVse1, *PrepocVse1, *Synchronizace1, *OdebVyb1, *PrepocVyb1,
      *UpravTit1, *VlozTitulek2, *OpravTitulky2, *Prejit2, *HledejText2, *PridSoub1, *SeradCas1,
      *Dopln2, *Odstran2, *SireTit1, *Spojit1, *Rozdelit2, *Rozdelit3, *Rozdelit4, *Rozdelit5,
      *Maximalne2, *Souhrn1;
  QAction *Otevrit1, *Start1, *Pauza1, *Stop1, *Zavrit1, *InfoFilm1;
  QAction *NastavPismo2, *NastavStyl2, *NastavVel2, *NastavBar2, *OdDruh2, *OdStyl2, *OdVel2,
      *OdBar2, *OdVse2;
  QAction *ObecnaNap1, *FormatovaniNap1, *StrukturaIni1, *OAplikaci1;
  // Popup menu of the list.
  QMenu *PocRad1, *Formatovani1, *OdstranFor1;
  QAction *Vybrat1, *Odebrat1, *Prepocitat1, *UlozVyb1, *UpravTitulek1, *VlozTitulek1,
      *OpravTitulek1, *Prejit1, *HledejText1, *Doplnit1, *Odstranit1, *Pridat1, *Seradit1,
      *Radek1, *Radek2, *Radek3, *Radek4, *Radek5, *Maximalne1, *NastavPismo1, *NastavStyl1,
      *NastavVel1, *NastavBar1, *OdDruh1, *OdStyl1, *OdVel1, *OdBar1, *OdVse1, *InfoTit1,
      *Synchronizace2;

  // Design geometry at 120 pixels per inch, scaled to the screen.
  double scaleFactor = 1.0;  // pixels per inch / 96
  int Scaled(int designUnits) const;
  QSize MinimumClientSize() const;

 signals:
  // A click on the film panel (opens a film).
  void Panel1Clicked();
  // The window was resized: the film display follows the panel.
  void FilmPanelResized();

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend class TForm1Test;
  void BuildControls();
  void BuildMenus();
  void BuildPopupMenu();
  void SetHints();
  using Handler = void (TForm1::*)();
  // Runs handler through RunCommand when the action or button fires.
  void On(QObject* sender, Handler handler);
  void WireCommands();
  void WireSettingsCommands();  // hlform_settings.cpp
  void WireRetimingCommands();  // hlform_retiming.cpp
  void WireFilmCommands();      // hlform_film.cpp
  void WireEditCommands();      // hlform_edit.cpp
  void FormResize();
  void PaintBackground(QPainter& painter);
  void ESourceKeyPress();
  void SaveLines(bool selectedOnly);
  void SaveUnderAskedName(bool selectedOnly);
  void ShowHint(const QString& hint);

  Prompts& prompts_;
  SubtitleList doc_;
  SubtitleListModel* model_ = nullptr;
  bool changed_ = false;
  int busy_ = 0;
  bool shown_ = false;
  QString fileArgument_;
  QString hint_;
};

}  // namespace velorin
