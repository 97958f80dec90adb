#include "analysis/Metrics.h"
