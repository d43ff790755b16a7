// Everything a dialog application takes from the framework.
#pragma once

#include "combo_box.h"
#include "data_exchange.h"
#include "dialog.h"
#include "message_box.h"
#include "paint_dc.h"
#include "resource_string.h"
#include "shell_manager.h"
#include "win_app.h"
#include "wnd.h"
