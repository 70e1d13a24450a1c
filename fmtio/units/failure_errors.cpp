#include "fmtio/units/failure_errors.h"

namespace fmtio {

using platform::Failure;

Error open_error(Failure f) {
    switch (f) {
    case Failure::not_found: return Error::not_found;
    case Failure::access_denied: return Error::access_denied;
    case Failure::exists:
    case Failure::dangling_link: return Error::file_exists;
    case Failure::too_many_files: return Error::too_many_files;
    case Failure::invalid_name:
    case Failure::link_loop: return Error::bad_name;
    default: return Error::open_failed;
    }
}

Error write_error(Failure f) {
    switch (f) {
    case Failure::disk_full:
    case Failure::file_too_large: return Error::disk_full;
    case Failure::access_denied: return Error::write_denied;
    default: return Error::write_failed;
    }
}

const char* failure_text(Failure f) {
    switch (f) {
    case Failure::dangling_link: return "the name is a symbolic link to a file that does not exist";
    case Failure::link_loop: return "too many levels of symbolic links";
    case Failure::file_too_large: return "file size limit reached";
    case Failure::broken_pipe: return "broken pipe: the reader of the output has gone";
    case Failure::closed_stream: return "standard output is closed";
    case Failure::no_progress: return "the system took none of the bytes and gave no reason";
    case Failure::io_error: return "input/output error";
    default: return nullptr;
    }
}

} // namespace fmtio
