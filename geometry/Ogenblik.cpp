#include "Ogenblik.h"
