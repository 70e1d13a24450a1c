// What the report needs of the system that differs between POSIX and Windows: file identity and safe output files.
#pragma once
#include <string>
#include <string_view>

namespace report {

// Which file a name or a stream is, whatever the name: the same file under
// two names (or a link) has one identity.
struct FileId {
    int known = 0;  // how it was had, 0 for a missing file or one that is not a regular file
    unsigned long long volume = 0, index = 0, index_high = 0;  // a volume of 0: not told
    // Whether both are known, the same way, and the same file.
    bool same(const FileId& o) const {
        return known && known == o.known && index == o.index && index_high == o.index_high &&
               (volume == o.volume || volume == 0 || o.volume == 0);
    }
};

// The identity of the file the path names.
FileId file_id(const std::string& path);
// The same for standard input (0) or standard output (1).
FileId stream_id(int fd);

// Writes bytes to path so that nothing is lost on the way: into a new
// temporary file beside it, renamed over it once whole, so that the old file
// stays as it was until then. A path that names a device or a FIFO is written
// straight. False with *error set to what failed; no temporary file is left.
bool replace_file(const std::string& path, std::string_view bytes, std::string* error);

// Standard input, output and error as plain bytes, without line-end
// translation; on Windows, Ctrl-C and Ctrl-Break end the run as a signal does.
void binary_streams();

} // namespace report
