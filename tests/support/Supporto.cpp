#include "Supporto.h"
