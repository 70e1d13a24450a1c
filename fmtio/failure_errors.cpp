#include "fmtio/failure_errors.h"

namespace fmtio {

using platform::Failure;

Error open_error(Failure f) {
    switch (f) {
    case Failure::not_found: return Error::not_found;
    case Failure::access_denied: return Error::access_denied;
    case Failure::exists: return Error::file_exists;
    case Failure::too_many_files: return Error::too_many_files;
    case Failure::invalid_name: return Error::bad_name;
    default: return Error::open_failed;
    }
}

Error write_error(Failure f) {
    switch (f) {
    case Failure::disk_full: return Error::disk_full;
    case Failure::access_denied: return Error::write_denied;
    default: return Error::write_failed;
    }
}

} // namespace fmtio
