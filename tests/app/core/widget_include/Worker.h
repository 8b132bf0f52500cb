#pragma once

// A core header gone wrong, for the include check to find: a widget and a window.
#include <functional>
#include <QWidget>
#include "app/core/Prompts.h"
#include "app/ui/ProgressDialog.h"
