// A core file that reaches Qt through a header of its own: the check of the
// core's includes must report it. Never compiled.
#include <queue>

#include "no_qt/plain.h"
#include "window.h"
