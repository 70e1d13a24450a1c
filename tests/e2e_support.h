// Runs the built program as a user would: in a folder, with arguments and input.
#pragma once
#include <string>
#include <vector>

namespace e2e {

struct Result {
    std::string out;   // standard output (or the terminal's bytes under a pseudo-terminal)
    std::string err;   // standard error
    int status = -1;   // exit status, or -1 when ended by a signal
    int signal = 0;    // the signal that ended it
};

// The program under test: PREFLISTER_BIN from the environment, else this build's.
std::string program();
// Whether that is a Windows build (PREFLISTER_BIN_SYSTEM=windows, as make test-windows sets).
bool windows_build();

// How a run is started beyond its folder, arguments and input, as a shell,
// nohup or a script may start it.
struct Launch {
    bool close_in = false, close_out = false, close_err = false;  // started without that stream
    std::string out_append;     // standard output appended to this file rather than captured
    std::string err_append;     // the same for standard error
    std::vector<int> ignored;   // signals the program starts with ignored
    long long file_limit = -1;  // the file-size limit in bytes (ulimit -f), when not -1
};

// Runs the program in dir. Standard input is the given text, or /dev/null
// when none is given; standard output and error are captured separately.
Result run(const std::string& dir, const std::vector<std::string>& args);
Result run(const std::string& dir, const std::vector<std::string>& args, const std::string& input);
Result run(const std::string& dir, const std::vector<std::string>& args, const std::string* input,
           const Launch& how);

// Runs it on a pseudo-terminal: standard input and output are a real terminal.
// Typed text is written to the terminal; out holds what the terminal received.
// In e2e_terminal.cpp, which needs the pseudo-terminal library.
Result run_on_terminal(const std::string& dir, const std::vector<std::string>& args,
                       const std::string& typed = "");

// A run that the test steers while it goes: its data file may be a FIFO that
// the test feeds, its standard output a pipe that the test reads and may
// close, and it can be sent a signal. Standard error goes to a file.
class Session {
public:
    // Where standard output goes: a file; a pipe that wait_for_output reads;
    // a pipe whose reader is gone before the program starts; or a pipe that
    // is full before the program starts and that nobody reads (wait_for_output
    // would read it) until finish, whose out then leaves out what filled it.
    enum class Output { file, pipe, closed_pipe, full_pipe };

    // Standard input: /dev/null, or a pipe that type() writes to and that
    // stays open, so that the program waits for more.
    enum class Input { none, pipe };

    Session(const std::string& dir, const std::vector<std::string>& args, Output output = Output::file,
            Input input = Input::none, const Launch& how = {});
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Opens the FIFO at path for writing once the program has it open for
    // reading; false when the program ended first.
    bool open_feed(const std::string& fifo);
    bool feed(const std::string& bytes);
    void close_feed();

    // Writes text to standard input, as a user types it.
    bool type(const std::string& text);

    // Waits until standard output holds text; false when the program ended
    // without writing it (or has not after a minute, so a hung run fails
    // the test instead of hanging it).
    bool wait_for_output(const std::string& text);
    // The same for standard error.
    bool wait_for_error(const std::string& text);
    // Closes the reading end of the output pipe: the program's next write
    // meets a pipe without a reader.
    void close_output();

    void send(int sig);

    // Waits until the program sleeps in the system call nr (a SYS_ number),
    // on the descriptor fd unless it is -1, as /proc shows it: a write that
    // waits for a reader, an open of a FIFO that waits for one. ended: the
    // program ended first (or had not blocked after a minute); unknown: the
    // system does not show it.
    enum class Blocked { yes, ended, unknown };
    Blocked wait_until_blocked(long nr, long fd = -1);

    // Waits for the end. out holds what the test read from the pipe, or the
    // whole output file.
    Result finish();
    // The same, giving up on the program after the seconds given: it is then
    // killed and the test fails.
    Result finish_within(int seconds);

private:
    bool ended();
    void read_output();
    bool wait_until(const std::string& text, bool error);

    int pid_ = -1;
    int wait_status_ = 0;
    bool reaped_ = false;
    int feed_fd_ = -1;
    int in_fd_ = -1;   // writing end of the input pipe
    int out_fd_ = -1;  // reading end of the output pipe
    bool output_pipe_;
    std::size_t ahead_ = 0;  // bytes that filled the output pipe before the start
    std::string out_path_, err_path_;
    std::string out_;
};

// How long a run that must end at once (interrupted, or with nothing to
// wait for) may take, far beyond the moment it needs: for finish_within.
constexpr int quick_end_seconds = 5;

// What a terminal of the given width would show after these bytes: carriage
// return to column 1, line feed down one line, other bytes overwrite in place.
std::vector<std::string> screen(const std::string& bytes);

// Shows control characters, so a failing comparison can be read.
std::string visible(const std::string& bytes);

// Fixed texts of a run, as the console and the listing hold them.
inline const std::string crlf = "\r\n";
inline const std::string banner = " new run ---------------------------------\r\n";
inline const std::string header = "\r\n   Rec Typ Date  Time\r\n";
inline const std::string prompt = "File name missing or blank - please enter file name\r\nUNIT 1? ";
inline const std::string stop_text = "Stop - Program terminated.\r\n";

// Byte-for-byte comparison that shows both sides readably when it fails.
void expect_bytes(const std::string& got, const std::string& want, const char* what);
// An error report: CR LF, "run-time error " and head_text, CR LF, "- ", a
// one-line description, CR LF.
void expect_report(const std::string& err, const std::string& head_text);
// The whole report, its description included.
inline std::string report(const std::string& head_text, const std::string& description) {
    return "\r\nrun-time error " + head_text + "\r\n- " + description + "\r\n";
}

} // namespace e2e
