#include "host/host_state.h"

SaverHostRecord SaverHostState;
