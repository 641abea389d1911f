#include "app/stats_view.h"

void drawStatisticsView() {}
