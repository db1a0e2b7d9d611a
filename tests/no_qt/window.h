#pragma once
#include "no_qt/plain.h"
#include <QtWidgets/QWidget>
