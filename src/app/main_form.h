#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>
#include <functional>
#include <string>

#include "app/prompts.h"
#include "document/subtitle_file.h"
#include "document/subtitle_list.h"
#include "film/media_player.h"
#include "shell/settings.h"
#include "sync/auto_sync.h"

class QItemSelectionModel;
class QWidget;

namespace velorin {

class AssociationStore;
class DesktopShell;
class SpellChecker;

// What the dialogs use of the main window: the document and its view, the
// change flag, the text encoding, the design scale, the background, the film
// player and the program-wide values they read and set. Dialogs get this and
// nothing else of the main window.
class MainForm {
 public:
  virtual ~MainForm() = default;

  // The main window as the parent of dialogs.
  virtual QWidget* Window() = 0;
  virtual SubtitleList& Doc() = 0;
  virtual Prompts& Ask() = 0;

  // Runs a command: the hourglass on, an error shown in the general error box
  // and the command ended. A command may run inside another one (a dialog's
  // button inside the main window's command that opened the dialog). False
  // when it failed. What it changes in the document becomes one step of the
  // undo history, named name (a nested command without a name takes the
  // name of the one around it).
  virtual bool RunCommand(const std::function<void()>& fn, const QString& name = {}) = 0;
  // While held, what nested commands change joins the running command's step
  // (a command that opens dialogs whose buttons are commands themselves).
  virtual void HoldOneUndoStep(bool hold) = 0;
  // A progress callback for the core's long loops.
  virtual ProgressFn Progress() = 0;

  // Shows Doc() again: every row, or rows first..last (same row count), or
  // every row keeping the list's scroll position.
  virtual void PushAll() = 0;
  virtual void PushRows(int first, int last) = 0;
  virtual void PushAllKeepScroll() = 0;
  // Selects row alone, makes it the cursor row and scrolls it into view.
  virtual void SelectRowOnly(int row) = 0;
  // The list's selection and cursor row as the user sees them between
  // commands; its model signals every change of the rows shown.
  virtual QItemSelectionModel* ListSelection() = 0;
  // The edit dialog on the cursor row ("Upravit titulek").
  virtual void EditCursorRow() = 0;
  // E1 and E2 follow the first and last subtitle; E5 and E6 are emptied.
  virtual void UpdateFrameFields() = 0;
  // E3 and E4: the frames the first and last subtitle should get.
  virtual void SetTargetFrames(const QString& first, const QString& last) = 0;
  // The synchronization file named in ESync (as typed; may not exist).
  virtual QString SyncFileName() const = 0;

  virtual bool Changed() const = 0;
  virtual void SetChanged(bool changed) = 0;

  // A line's bytes for display and typed text back, in the document's own
  // encoding (UTF-8 or Windows-1250).
  virtual QString DecodeLine(std::string_view bytes) const = 0;
  virtual std::string EncodeText(const QString& text) const = 0;

  // Design units (laid out at 120 pixels per inch) in pixels of this screen.
  virtual int Scaled(int designUnits) const = 0;
  // The picture painted under every window; null for none.
  virtual const QPixmap& Background() const = 0;

  // The film player, made on first use; OpenFilm is the film panel's command.
  virtual MediaPlayer& Player() = 0;
  virtual bool FilmOpen() const = 0;
  virtual void OpenFilm() = 0;
  // With the film not playing: one frame forward or back, or a second with
  // wholeSecond; the frame counter shows where it went.
  virtual void StepFilm(bool forward, bool wholeSecond) = 0;
  // Where the automatic synchronization would put the subtitles, until the
  // user recalculates them (or opens another document); null when none.
  virtual const AutoSyncResult* AutoSyncProposal() const = 0;

  // The source and target file fields (ESource, ETarget) as they stand.
  virtual QString SourceFileName() const = 0;
  virtual QString TargetFileName() const = 0;

  // The last frame rate confirmed in a dialog ("25,000" at start).
  virtual QString FrameRateText() const = 0;
  virtual void SetFrameRateText(const QString& rate) = 0;

  // The default format of the edit dialog's tags, with its colour.
  virtual FontChoice DefaultFormat() const = 0;
  virtual void SetDefaultFormat(const FontChoice& format) = 0;

  // The spelling checker of the dictionary chosen in "Slovník" (cs_CZ until
  // the user chooses), opened on first use; null when no dictionary is
  // installed.
  virtual SpellChecker* Speller() = 0;

  // Everything read from the settings file.
  virtual AppSettings& Settings() = 0;

  // The folder of the help pages and the default picture, with a trailing
  // '/', and the settings file in use.
  virtual QString ResourceDir() const = 0;
  virtual QString SettingsFile() const = 0;
  // The folder of the last opened subtitle file: where the file dialogs of
  // subtitles to open or add start.
  virtual QString LastOpenDir() const = 0;
  virtual void SetLastOpenDir(const QString& dir) = 0;
  // Opening pages and addresses with the desktop's programs.
  virtual DesktopShell& Shell() = 0;
  // The program as the opener of subtitle files.
  virtual AssociationStore& Associations() = 0;
};

// Holds the running command's undo step open for the commands nested in it.
class OneUndoStep {
 public:
  explicit OneUndoStep(MainForm& form) : form_(form) { form_.HoldOneUndoStep(true); }
  ~OneUndoStep() { form_.HoldOneUndoStep(false); }
  OneUndoStep(const OneUndoStep&) = delete;
  OneUndoStep& operator=(const OneUndoStep&) = delete;

 private:
  MainForm& form_;
};

}  // namespace velorin
