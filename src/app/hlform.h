#pragma once

#include <QFont>
#include <QMainWindow>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include "app/hlform_ui.h"
#include "app/main_form.h"
#include "app/prompts.h"
#include "document/recovery_store.h"
#include "document/subtitle_list.h"
#include "document/undo_history.h"
#include "edit/hunspell_checker.h"
#include "film/media_player.h"
#include "shell/associations.h"
#include "shell/desktop.h"
#include "shell/settings.h"

namespace velorin {

class FindDialog;
class TForm15;
class SubtitleListModel;
class TForm4;

// The main window: the subtitle list, the file and frame fields, the film
// panel, the menus and the 10 ms state refresh. Its controls are built by
// TForm1Ui; the handlers here read them, call the core and write the results
// back. Dialogs see it only as a MainForm.
class TForm1 : public QMainWindow, public TForm1Ui, public MainForm {
  Q_OBJECT

 public:
  struct Options {
    QString programDir;    // with a trailing '/'; empty: the executable's folder
    QString settingsPath;  // empty: Velorin.ini in the program folder (or the user's config)
    QString fileArgument;  // the first command-line argument
    bool startTimer = true;
    // The desktop's programs and the file associations; null: the real ones.
    DesktopShell* shell = nullptr;
    AssociationStore* associations = nullptr;
    // The folder of recovery copies; empty: $XDG_STATE_HOME/velorin.
    QString recoveryDir;
    // Which programs run; null: the system's process table.
    ProcessTable* processes = nullptr;
    // How long a change may wait for the recovery copy, in ms; 0: 30 s, or
    // VELORIN_AUTOSAVE_INTERVAL_MS when set (for tests of the program).
    int autosaveIntervalMs = 0;
  };

  TForm1(Prompts& prompts, Options options, QWidget* parent = nullptr);
  ~TForm1() override;

  // The command table both menus are built from (hlform_commands.cpp).
  static std::span<const MenuCommand> Commands();

  // ---- MainForm ----
  QWidget* Window() override { return this; }
  SubtitleList& Doc() override { return doc_; }
  Prompts& Ask() override { return prompts_; }
  bool RunCommand(const std::function<void()>& fn, const QString& name = {}) override;
  ProgressFn Progress() override;
  void PushAll() override;
  void PushRows(int first, int last) override;
  void PushAllKeepScroll() override;
  void SelectRowOnly(int row) override;
  QItemSelectionModel* ListSelection() override { return ListBox1->selectionModel(); }
  void EditCursorRow() override { UpravTitulek1Click(); }
  void UpdateFrameFields() override;
  void SetTargetFrames(const QString& first, const QString& last) override {
    E3->setText(first);
    E4->setText(last);
  }
  QString SyncFileName() const override { return ESync->text(); }
  bool Changed() const override { return changed_; }
  void SetChanged(bool changed) override { changed_ = changed; }
  QString DecodeLine(std::string_view bytes) const override;
  std::string EncodeText(const QString& text) const override;
  void HoldOneUndoStep(bool hold) override { oneStep_ += hold ? 1 : -1; }
  int Scaled(int designUnits) const override { return TForm1Ui::Scaled(designUnits); }
  const QPixmap& Background() const override { return background; }
  MediaPlayer& Player() override;
  bool FilmOpen() const override;
  void OpenFilm() override { Panel1Click(); }
  void StepFilm(bool forward, bool wholeSecond) override;
  const AutoSyncResult* AutoSyncProposal() const override {
    return autoSyncProposal ? &*autoSyncProposal : nullptr;
  }
  QString SourceFileName() const override { return ESource->text(); }
  QString TargetFileName() const override { return ETarget->text(); }
  QString FrameRateText() const override { return frameRateText; }
  void SetFrameRateText(const QString& rate) override { frameRateText = rate; }
  FontChoice DefaultFormat() const override { return {defaultFormat, defaultFormatColor}; }
  void SetDefaultFormat(const FontChoice& format) override;
  AppSettings& Settings() override { return settings; }
  SpellChecker* Speller() override;
  QString ResourceDir() const override { return resourceDir; }
  QString LastOpenDir() const override { return lastOpenDir; }
  void SetLastOpenDir(const QString& dir) override { lastOpenDir = dir; }
  DesktopShell& Shell() override;
  AssociationStore& Associations() override;

  // ---- document (hlform.cpp) ----
  // Takes the view's selection and cursor row into Doc().
  void PullSelection();
  bool HasSelection() const;
  // Asks for a file name as the question about unsaved changes does and
  // returns a free name inside the subtitles folder; nothing when cancelled.
  std::optional<QString> AskTargetName();

  void FormShow();
  void LoadSubtitleFile(const QString& path);
  bool ReadSubtitleFile(const QString& path);
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
  // The status bar's encoding button follows the document's encoding.
  void ShowEncoding();
  // The user's choice in the encoding menu: the text is shown anew.
  void ChooseEncoding(TextEncoding encoding);
  // Hands a file that is not frame-based to the conversion dialog; true when
  // it converted the file into the list.
  bool ConvertForeignFile(const QString& path);

  // Program-wide state.
  QString programDir;
  QString resourceDir;  // the help pages and pictures: programDir unless installed
  QString settingsPath;
  QString openDialogDir;  // where the source-file dialog opens
  QString lastOpenDir;
  QString frameRateText = QStringLiteral("25,000");
  QFont defaultFormat;
  QColor defaultFormatColor = Qt::black;  // the default format's colour (QFont has none)
  QPixmap background;                     // painted under the controls
  TForm4* form4 = nullptr;                // the width-fitting dialog, alive for the whole run

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
  QString SettingsFile() const override;
  QString subtitlesPath;
  QString filmsPath;
  QStringList recentFiles;  // at most nine, newest first
  // Everything read from the settings file. Values that belong to dialogs
  // (the manual option of the width fitting, the chronological option, the
  // association flags, the background path) live here for them to use and
  // are written back from here.
  AppSettings settings;

  // ---- completion, line count and width fitting (hlform_lines.cpp) ----
  void Doplnit1Click();
  void Odstranit1Click();
  // The count items: Tag 0 joins, 1 to 4 split into Tag + 1 lines.
  void RadekClick(int tag);
  // Both "Maximálně" items: the one the user ticked gives the other its state.
  void Maximalne1Click(bool checked);
  void SireButClick();

  // ---- retiming (hlform_retiming.cpp) ----
  void RecomputeIfComplete();
  void RovnaButClick();
  // Applies E5 (offset) and E6 (scale) to every row, or to the selected rows.
  void RecalculateFrames(bool selectedOnly);
  void PrepocitejButClick();
  void Prepocitat1Click();
  void PrBut2Click();
  // The synchronization file chosen, dropped or typed: E3 and E4 from it.
  void OpenSyncFile(const QString& path);
  // Puts the first and last frame of a synchronization file into E3 and E4;
  // false when the file holds no subtitle line first.
  bool LoadSyncFileBounds(const QString& path);

  // ---- film (hlform_film.cpp) ----
  void ShowSubtitleAt(int index);
  void CloseFilm();
  void UpdateOverlay();
  int overlayCursor = 0;
  int shownFirst = 0;
  int shownSecond = 0;
  void Panel1Click();
  // Opens a film chosen in the film dialog or dropped on the panel.
  void OpenFilmFile(const QString& file);
  void Start1Click();
  void Pauza1Click();
  void Stop1Click();
  void MediaPlayer1Click(QPushButton* button);
  void FilmZavClick();
  void ListBox1DblClick();
  void CasBut1Click();
  void CasBut2Click();
  void InfoFilm1Click();
  // "Časová osa": shows the timeline window, made on first use.
  void CasovaOsa1Click();
  TForm15* Form15 = nullptr;  // the timeline, alive from its first showing on
  // ← and → in the film panel step frames.
  bool FilmPanelKey(QKeyEvent* key);
  void SetPlayer(std::unique_ptr<MediaPlayer> player);
  // The picture inside Panel1, inset 3 pixels; again after every resize.
  void AttachFilmDisplay();
  std::unique_ptr<MediaPlayer> filmPlayer;
  std::string overlayCaption;  // document bytes of LTitulek's text
  bool overlayVisible = false;
  // Where the film dialog opens once a film was chosen; null: the films path.
  QString filmDialogDir;

  // ---- undo and redo (hlform_undo.cpp) ----
  void ZpetClick();
  void ZnovuClick();
  // Zpět and Znovu named after their steps and enabled when there is one.
  void UpdateUndoItems();
  UndoHistory& History() { return history_; }

  // ---- recovery copy (hlform_recovery.cpp) ----
  // At start: asks about the copies of programs that ended without closing;
  // true when one was restored.
  bool OfferRecovery();
  // Before something risky (a command over the whole list, closing the
  // film): the copy is brought up to date and on disk.
  void RecoveryCheckpoint();
  // The list matches a file again (loaded, saved whole) or is new: the copy
  // goes.
  void DocumentSettled();
  // The folder of the recovery copies (empty when there is none).
  QString RecoveryDir() const;
  // Whether no recovery write is under way.
  bool RecoveryIdle() const;

  // ---- automatic synchronization (hlform_autosync.cpp) ----
  // Listens to the open film and fills E3 to E6 with the frames, offset and
  // scale that fit the subtitles to its speech, or opens the advanced
  // synchronization with proposed points when the film was cut differently;
  // Esc stops the listening.
  void AutoSync1Click();
  // The last result found, shown on the timeline until it is applied.
  std::optional<AutoSyncResult> autoSyncProposal;

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
  void OdStyl1Click();
  void OdVel1Click();
  void OdBar1Click();
  void OdDruh2Click();
  void OdstranFor1Click();
  FindDialog* FindDialog1 = nullptr;  // created on first use, kept open between searches

  // ---- spelling (hlform_spell.cpp) ----
  // "Kontrola pravopisu": the selected rows (every row when none is) word
  // by word in the spelling dialog.
  void KontrolaPravopisu1Click();
  // The dictionary menu lists what is installed, the chosen one ticked.
  void FillDictionaryMenu();
  // The dictionary chosen (settings PRAVOPIS/Slovnik), cs_CZ by default.
  std::string SpellDictionary() const;
  void ChooseDictionary(const std::string& name);
  std::unique_ptr<HunspellChecker> speller_;

  // ---- advanced synchronization (hlform_sync.cpp) ----
  void Synchronizace1Click();

  // ---- adding, statistics, associations, background, help (hlform_shell.cpp) ----
  void Pridat1Click();
  void InfoTit1Click();
  void AsociovatSoubory1Click();
  // The picture of the settings file, else the default one; nothing when
  // neither loads. Never stops the rest of the start-up.
  void LoadStartupBackground();
  void VychoziPoz2Click();
  void VlastniPoz2Click();
  // Shows the picture at path as the background of every window and makes it
  // the background path; a picture that cannot be used is reported and
  // changes nothing.
  void SetBackgroundPicture(const QString& path);
  void NapButClick();
  void FormatovaniNap1Click();
  void StrukturaIni1Click();
  void OAplikaci1Click();
  // ---- format conversion (hlform_convert.cpp) ----
  void UlozitSrt2Click();

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
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  using Handler = void (TForm1::*)();
  // Runs handler through RunCommand when the action or button fires.
  void On(QObject* sender, Handler handler);
  void WireCommands();
  void WireRetimingCommands();  // hlform_retiming.cpp
  void WireFilmCommands();      // hlform_film.cpp
  void WireLinesCommands();     // hlform_lines.cpp
  void FormResize();
  void PaintBackground(QPainter& painter);
  bool FilterFieldKey(QLineEdit* field, QKeyEvent* key);
  bool IsMenuShortcut(const QKeyEvent* key) const;
  bool ListViewportEvent(QEvent* event);
  void ESourceKeyPress();
  void SaveLines(bool selectedOnly);
  void SaveUnderAskedName(bool selectedOnly);
  // While one is held (a load or a save under way) the recovery copy is
  // neither written nor removed.
  struct RecoveryPause {
    explicit RecoveryPause(TForm1& form);
    ~RecoveryPause();
    TForm1& f;
  };
  void StartAutosave(const Options& options);
  void AutosaveTick();
  void ObserveRecovery();
  void StartRecoveryWrite();
  void EndAutosave();
  // Waits for a recovery write to end, the window kept painted.
  void WaitForRecoveryWrite();
  void RestoreSession(RecoveryCopy copy);
  void RemoveTagKind(char kind);

  // Loading, closing and a new file start a new history: what they do to the
  // list is not journalled, and the history is empty after them.
  struct NewHistory {
    explicit NewHistory(TForm1& form) : f(form) { f.doc_.SetJournal(nullptr); }
    ~NewHistory() {
      f.autoSyncProposal.reset();
      f.history_.Clear();
      f.doc_.SetJournal(&f.history_.Pending());
    }
    TForm1& f;
  };

  struct RecoveryState;
  std::unique_ptr<RecoveryState> recovery_;
  Prompts& prompts_;
  UndoHistory history_;
  SubtitleList doc_;
  std::vector<QString> commandNames_;  // of the commands running, outermost first
  SubtitleListModel* model_ = nullptr;
  bool changed_ = false;
  int busy_ = 0;
  int oneStep_ = 0;  // while above 0, nested commands join the running one's step
  bool shown_ = false;
  QString fileArgument_;
  QString hint_;
  DesktopShell* shell_ = nullptr;
  AssociationStore* associations_ = nullptr;
  std::unique_ptr<DesktopShell> ownShell_;
  std::unique_ptr<AssociationStore> ownAssociations_;
};

}  // namespace velorin
