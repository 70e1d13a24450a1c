// preflister: lists the record prefaces of a station's raw data file.
#include "driver/scan_loop.h"
#include "driver/setup.h"
#include "fmtio/units/units.h"

int main(int argc, char** argv) {
    fmtio::start_run(argc, argv);
    driver::run_setup();
    driver::scan_records();
}
