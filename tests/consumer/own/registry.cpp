#include "registry.h"

int OwnRegistryAnswer() { return 42; }
