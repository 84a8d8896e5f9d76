#pragma once

// The defaults live with the settings, so that programs without the configuration page (the
// MQTT bridge) read names, units and ranges the same way.
#include "settings/ConfigurazionePredefinita.h"
