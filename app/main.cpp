#include "app/Start.h"

int main(int argc, char** argv) { return tonalix::Start(argc, argv, {}); }
