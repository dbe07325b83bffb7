#include "CSimPresetBench.h"
#include "qmain.h"

// The demo program: the application on simulated adapters, so the tool can be tried
// without hardware. The bench is attached before anything enumerates the bus. Bus time
// and moving sensor values are on, so that a new user sees a long read take as long as
// on a real adapter and a watched sensor change.
int main(int argc, char **argv)
{
    SSimPresetOptions options;
    options.busTiming = true;
    options.liveValues = true;
    options.largeEeprom = true;
    CSimPresetBench::Attach(options);
    return qMain(argc, argv);
}
