// Built with the databases layer's include path: the window layer above it
// must not be in reach, so this does not compile.
#include "databases/program_databases.h"
#include "ui/host.h"

int layer_probe_looks_up() { return 0; }
