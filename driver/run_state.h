// The driver's own values for the run, beside the scan state it shares with the decoder.
#pragma once
#include <cstdint>

#include "preface/scan_state.h"

namespace driver {

struct RunState {
    std::int32_t ieof;                           // set when the loop ends at the end of the file
    std::int32_t maxrec;                         // record limit; 0 until the loop starts
    std::int32_t ios;                            // status of the latest record read
    float rstart;                                // range-start key of the last record that had one
    float rstart_prev;
    char flist[15];                              // the listing file's name, blank-padded
    std::int32_t nargs;
    std::int32_t iarg;
    char fname[80];                              // data file name as echoed, blank-padded
};

extern RunState run;

} // namespace driver
