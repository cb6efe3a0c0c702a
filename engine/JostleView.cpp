#include "engine/Interfaces.h"
