#pragma once

#include <functional>

#include "film/media_player.h"

class QComboBox;
class QWidget;

namespace velorin {

// Frame-rate detection shared by the dialogs that offer the five frame rates:
// when no film is open, the dialog's controls are disabled and `openFilm`
// (the main window's open-film command) lets the user open one; then the rate
// nearest to the film's measured rate is selected in `rateList`. The controls
// are enabled again in every case.
void DetectFrameRate(QWidget* dialog, QComboBox* rateList, MediaPlayer& player,
                     const std::function<void()>& openFilm);

}  // namespace velorin
