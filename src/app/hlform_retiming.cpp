// Linear retiming commands of the main window.
#include "app/hlform.h"

namespace velorin {

void TForm1::WireRetimingCommands() {}

void TForm1::RecomputeIfComplete() {}

}  // namespace velorin
