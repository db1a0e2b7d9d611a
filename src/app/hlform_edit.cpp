// List editing commands of the main window.
#include "app/hlform.h"

namespace velorin {

void TForm1::WireEditCommands() {}

void TForm1::Odebrat1Click() {}

}  // namespace velorin
