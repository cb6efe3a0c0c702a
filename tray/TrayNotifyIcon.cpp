#include "tray/TrayShell.h"
