// A FIFO as the listing, and the processes at its other end: one that reads
// it all, one that holds it open and reads nothing.
#pragma once
#include <string>
#include <sys/types.h>

namespace e2e::fifo {

// A reader that opens the FIFO before the run does and then reads nothing
// until drain: the run's writes stay in the FIFO until it is full.
class Holder {
public:
    // shrink: the FIFO holds one page, as little as it can; fill: and it is
    // full from the start, of filler bytes that drain leaves out.
    explicit Holder(const std::string& path, bool shrink = false, bool fill = false);
    ~Holder();
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;

    bool ok() const { return fd_ >= 0; }
    // How many bytes the FIFO holds when full.
    std::size_t capacity() const;
    // What the FIFO holds now, read without waiting.
    std::string drain();
    // The reader goes away: a write then finds nobody to take it.
    void close();

private:
    int fd_ = -1;
    std::size_t ahead_ = 0;  // filler bytes still to be left out
};

// Another program that reads the FIFO to its end (consumer < preflist): it
// waits for a writer, then copies all it reads into a file of its own.
class Consumer {
public:
    explicit Consumer(const std::string& path);
    ~Consumer();
    Consumer(const Consumer&) = delete;
    Consumer& operator=(const Consumer&) = delete;

    // Once the run has ended: waits for the consumer and gives what it read.
    // A consumer that still waits for a writer is given the end of the FIFO.
    std::string finish();

private:
    std::string path_, copy_;
    pid_t pid_ = -1;
};

} // namespace e2e::fifo
