/* A test aid, loaded with LD_PRELOAD: when NUVEX_TEST_SLOW_FSYNC names a
 * number of seconds, every fsync waits that long first, so that a test can
 * stop the program in the middle of a save. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

int fsync(int fd) {
    static int (*real_fsync)(int) = NULL;
    if (!real_fsync) real_fsync = (int (*)(int))dlsym(RTLD_NEXT, "fsync");
    const char* delay = getenv("NUVEX_TEST_SLOW_FSYNC");
    if (delay) sleep((unsigned)atoi(delay));
    return real_fsync(fd);
}
