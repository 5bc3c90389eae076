// Runs a mode so that a processor fault or an uncaught exception inside it
// does not escape: on such a fault `onFault` runs and the result is -1.
// Implemented once per platform.
#pragma once

int RunFaultGuarded(int (*mode)(void* context), void* context, void (*onFault)());
