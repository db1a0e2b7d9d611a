// The film panel of the main window, its subtitle overlay, and the film and
// time dialogs it opens.
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <algorithm>
#include <cmath>

#include "app/dialog_support.h"
#include "app/hlform.h"
#include "document/error.h"
#include "document/subtitle_line.h"
#include "film/casovaosa.h"
#include "film/infofilm.h"
#include "film/mpv_player.h"
#include "film/overlay.h"
#include "sync/cas.h"

namespace velorin {

namespace {

const char* const kNoFilmCaption = "Pro otevření filmu klikněte na tento panel.";

// Centres LTitulek in the panel at its own top.
void CentreCaption(TForm1& form) {
  form.LTitulek->move(
      static_cast<int>(std::nearbyint((form.Panel1->width() - form.LTitulek->width()) / 2.0)),
      form.LTitulek->y());
}

// LTitulek shows the overlay caption, sized to its text and centred.
void ShowCaption(TForm1& form) {
  form.LTitulek->setText(form.DecodeLine(form.overlayCaption));
  form.LTitulek->adjustSize();
  CentreCaption(form);
}

// The panel as with no film: its caption, no frame counter, no overlay text
// (the overlay cursor and shown frames stay), the player's buttons off.
void ShowNoFilm(TForm1& form) {
  form.Panel1->setText(QString::fromUtf8(kNoFilmCaption));
  form.LSnimek->clear();
  form.overlayCaption.clear();
  form.LTitulek->clear();
  form.LTitulek->hide();
  form.overlayVisible = false;
  for (QPushButton* b : {form.PlayBut, form.PauseBut, form.StopBut}) b->setEnabled(false);
}

}  // namespace

void TForm1::WireFilmCommands() {
  LTitulek->setTextFormat(Qt::PlainText);  // subtitle text is never markup
  LTitulek->move(0, Scaled(265));
  // A click gives the panel the keys, so that the arrows step frames.
  Panel1->setFocusPolicy(Qt::ClickFocus);

  auto run = [this](Handler handler) {
    return [this, handler] { RunCommand([this, handler] { (this->*handler)(); }); };
  };
  connect(this, &TForm1::Panel1Clicked, this, run(&TForm1::Panel1Click));
  On(CasBut1, &TForm1::CasBut1Click);
  On(CasBut2, &TForm1::CasBut2Click);
  for (QPushButton* b : {PlayBut, PauseBut, StopBut})
    connect(b, &QPushButton::clicked, this,
            [this, b] { RunCommand([this, b] { MediaPlayer1Click(b); }); });
  connect(this, &TForm1::FilmPanelResized, this, &TForm1::AttachFilmDisplay);
}

MediaPlayer& TForm1::Player() {
  if (!filmPlayer) {
    filmPlayer = std::make_unique<MpvPlayer>(Panel1);
    AttachFilmDisplay();
  }
  return *filmPlayer;
}

void TForm1::SetPlayer(std::unique_ptr<MediaPlayer> player) {
  filmPlayer = std::move(player);
  AttachFilmDisplay();
}

void TForm1::AttachFilmDisplay() {
  if (filmPlayer) filmPlayer->SetDisplayRect(3, 3, Panel1->width() - 6, Panel1->height() - 6);
  CentreCaption(*this);  // the subtitle stays in the middle of a wider panel
}

bool TForm1::FilmOpen() const { return filmPlayer && !filmPlayer->FileName().empty(); }

void TForm1::Panel1Click() {
  // The film dialog opens in the folder of the last subtitle file once a film
  // has been chosen, until the films path is set again.
  QString start = filmDialogDir.isNull() ? filmsPath : filmDialogDir;
  std::optional<QString> file = prompts_.OpenFile(
      QStringLiteral("Vyberte film"),
      QStringLiteral("Video soubory (AVI, MPEG, WMV, ASF) (*.avi *.mpeg *.mpg *.wmv *.asf);;"
                     "Všechny soubory (*)"),
      start);
  if (file) OpenFilmFile(*file);
}

void TForm1::OpenFilmFile(const QString& file) {
  RecoveryCheckpoint();
  filmDialogDir = openDialogDir.isNull() ? QStringLiteral("") : openDialogDir;
  MediaPlayer& player = Player();
  player.Close();
  Panel1->setText(QStringLiteral("Načítám ..."));
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  try {
    player.Open(QFile::encodeName(file).toStdString());
  } catch (const Error&) {
    // Nothing plays: the window is left exactly as with no film, and the
    // player's message is shown by the caller.
    player.Close();
    ShowNoFilm(*this);
    throw;
  }
  AttachFilmDisplay();
  LTitulek->raise();  // above the picture
  Panel1->clear();
  for (QPushButton* b : {PlayBut, PauseBut, StopBut}) b->setEnabled(true);
}

void TForm1::Start1Click() {
  if (FilmOpen()) Player().Play();
}

void TForm1::Pauza1Click() {
  if (FilmOpen()) Player().PauseOrResume();
}

void TForm1::Stop1Click() {
  if (!FilmOpen()) return;
  Player().Rewind();
  LSnimek->setText(QStringLiteral("snímek 0"));
  Player().Stop();
}

void TForm1::MediaPlayer1Click(QPushButton* button) {
  if (!FilmOpen()) return;
  if (button == StopBut) {
    Stop1Click();
  } else if (button == PlayBut) {
    Player().Play();
  } else if (button == PauseBut) {
    Player().PauseOrResume();
  }
}

void TForm1::FilmZavClick() { CloseFilm(); }

void TForm1::CloseFilm() {
  if (!FilmOpen()) return;
  RecoveryCheckpoint();
  Panel1->setText(QString::fromUtf8(kNoFilmCaption));
  filmPlayer->Close();
  ShowNoFilm(*this);
}

void TForm1::ShowSubtitleAt(int index) {
  OverlayState state{overlayCursor, shownFirst, shownSecond, {}, overlayVisible};
  LTitulek->clear();
  overlayCaption.clear();
  LoadOverlaySubtitle(state, doc_, index);
  shownFirst = state.shownFirst;
  shownSecond = state.shownSecond;
  overlayCaption = std::move(state.caption);
  ShowCaption(*this);
}

void TForm1::UpdateOverlay() {
  // Only the player's mode and position are read, and at most the one row the
  // overlay moves to: a tick costs the same for any length of list.
  if (!filmPlayer) return;
  const PlayerMode mode = filmPlayer->Mode();
  if (mode != PlayerMode::Playing && mode != PlayerMode::Paused) return;
  const int64_t position = mode == PlayerMode::Playing ? filmPlayer->Position() : 0;
  OverlayState state{overlayCursor, shownFirst, shownSecond, overlayCaption, overlayVisible};
  OverlayTick tick = velorin::UpdateOverlay(state, doc_, mode, position);
  overlayCursor = state.cursor;
  shownFirst = state.shownFirst;
  shownSecond = state.shownSecond;
  if (tick.positionShown) {
    LSnimek->setText(QStringLiteral("snímek ") + QString::number(position));
    overlayVisible = state.visible;
    LTitulek->setVisible(overlayVisible);
  }
  if (tick.captionChanged) {
    overlayCaption = std::move(state.caption);
    ShowCaption(*this);
  }
  if (tick.repaint) LTitulek->update();
}

void TForm1::ListBox1DblClick() {
  QModelIndex current = ListBox1->currentIndex();
  if (current.isValid()) {
    overlayCursor = current.row();
    ShowSubtitleAt(overlayCursor);
  }
  if (FilmOpen()) {
    Player().Seek(shownFirst);
    LTitulek->update();
    Player().Play();
  }
}

namespace {

void RunTimeDialog(TForm1& form, QLineEdit* field, const QString& caption) {
  TForm2 dialog(form);
  double frame = field->text().isEmpty() ? 0 : ToInt32(field->text().toStdString());
  PresetTimeDialog(dialog, caption, frame);
  ExecModal(dialog);
  if (dialog.Tag == 1) field->setText(QString::number(dialog.resultFrame));
}

}  // namespace

void TForm1::CasBut1Click() { RunTimeDialog(*this, E3, QStringLiteral("První titulek")); }

void TForm1::CasBut2Click() { RunTimeDialog(*this, E4, QStringLiteral("Poslední titulek")); }

void TForm1::StepFilm(bool forward, bool wholeSecond) {
  if (!FilmOpen()) return;
  MediaPlayer& player = Player();
  if (player.Mode() == PlayerMode::Playing) return;
  if (wholeSecond) {
    const auto second = static_cast<int64_t>(std::llround(player.FramesPerSecond()));
    const int64_t lastFrame = std::max<int64_t>(player.LengthFrames() - 1, 0);
    player.Seek(std::clamp<int64_t>(player.Position() + (forward ? second : -second), 0, lastFrame));
  } else {
    player.StepFrame(forward);
  }
  LSnimek->setText(QStringLiteral("snímek ") + QString::number(player.Position()));
}

bool TForm1::FilmPanelKey(QKeyEvent* key) {
  if (key->key() != Qt::Key_Left && key->key() != Qt::Key_Right) return false;
  if ((key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) != Qt::NoModifier)
    return false;
  const bool forward = key->key() == Qt::Key_Right;
  const bool second = key->modifiers() & Qt::ShiftModifier;
  RunCommand([this, forward, second] { StepFilm(forward, second); });
  return true;
}

void TForm1::CasovaOsa1Click() {
  if (!Form15) Form15 = new TForm15(*this);
  Form15->show();
  Form15->raise();
  Form15->activateWindow();
}

void TForm1::InfoFilm1Click() {
  TForm9 dialog(*this);
  ExecModal(dialog);
}

}  // namespace velorin
