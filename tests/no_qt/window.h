#pragma once
#include <QtWidgets/QWidget>

#include "no_qt/plain.h"
