// The film panel of the main window and its subtitle overlay.
#include "app/hlform.h"

namespace velorin {

void TForm1::WireFilmCommands() {}

void TForm1::ShowSubtitleAt(int) {}

void TForm1::CloseFilm() {}

bool TForm1::FilmOpen() const { return false; }

void TForm1::UpdateOverlay() {}

}  // namespace velorin
