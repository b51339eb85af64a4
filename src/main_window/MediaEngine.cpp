#include "MediaEngine.h"
