// The nuvex program: the saver module's entry, after the portable platform has
// taken the command line as Windows would hand it over.
#include "host/saver_host.h"
#include "platform/portable/bridge.h"

int main(int argc, char** argv) {
    portable_init_process(argc, argv);
    SaverStartup();
}
