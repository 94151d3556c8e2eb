#include "canvas.h"
