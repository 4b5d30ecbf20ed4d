#pragma once

// The scan profile store: presets per scanner and the global settings.
#include "vuro_config.h"
#include "vuro_enums.h"
#include "vuro_policy.h"
#include "vuro_profile.h"
#include "vuro_scanner.h"
