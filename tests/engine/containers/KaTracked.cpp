#include "tests/engine/containers/KaTracked.h"

int KaTracked::constructions = 0;
int KaTracked::copies = 0;
int KaTracked::assignments = 0;
int KaTracked::destructions = 0;
std::vector<int> KaTracked::destroyed;
