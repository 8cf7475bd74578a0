// The window layer in one include: forms, controls, key codes and services.
#pragma once
#include "ui/backend.h"
#include "ui/bitmap.h"
#include "ui/canvas.h"
#include "ui/components.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/keys.h"
#include "ui/types.h"
