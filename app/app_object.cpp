// The program's one application object; the framework's entry point finds it.
#include "velmora_app.h"

CVelmoraApp theApp;
