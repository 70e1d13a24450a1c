// The record loop: reads, decodes and lists every record, then ends the run.
#pragma once

namespace driver {

// Exit status of the read-error ending: the listing is incomplete.
constexpr int read_error_status = 2;

[[noreturn]] void scan_records();

} // namespace driver
