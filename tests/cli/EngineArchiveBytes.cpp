// The engine tests' byte-by-byte archive builders, compiled into this test
// program too, so that listings of hand-made headers need no second copy.
#include "engine/ArchiveBytes.cpp"
