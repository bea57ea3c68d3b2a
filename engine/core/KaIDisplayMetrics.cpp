#include "engine/core/KaIDisplayMetrics.h"

KaIDisplayMetrics::~KaIDisplayMetrics() = default;
