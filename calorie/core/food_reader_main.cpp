// korvella-food-reader PATH: the reader process. Reads table FoodData of the database at PATH
// with libmdb and writes its rows to descriptor 3. The program starts it afresh for every read,
// so that a file on which libmdb crashes, loops or grows without bound costs only this process,
// and the limits below are in place before the file is opened.

#include "calorie/core/food_rows.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr int Out = 3;

// How much more address space than it starts with the reader may take: a damaged long-value
// chain grows memory without bound.
constexpr rlim_t Headroom = rlim_t(256) << 20;

// A sound read takes a few milliseconds of processor time; a reader that loops on a damaged file
// is ended by this, however long a busy machine makes it wait for the processor.
constexpr rlim_t CpuSeconds = 1;

rlim_t CurrentAddressSpace() {
    unsigned long pages = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr)
        return 0;
    if (std::fscanf(statm, "%lu", &pages) != 1)
        pages = 0;
    std::fclose(statm);
    return rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE));
}

void Limit() {
    // Die of a fault at once and quietly, without a core file.
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGXCPU})
        std::signal(sig, SIG_DFL);
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    const rlimit cpu{CpuSeconds, CpuSeconds + 1}; // SIGXCPU, then SIGKILL
    setrlimit(RLIMIT_CPU, &cpu);
    if (const rlim_t current = CurrentAddressSpace(); current != 0) {
        const rlimit space{current + Headroom, current + Headroom};
        setrlimit(RLIMIT_AS, &space);
    }
}

bool WriteAll(const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = write(Out, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno != EINTR)
            return false;
        done += n > 0 ? size_t(n) : 0;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2 || fcntl(Out, F_GETFD) < 0)
        return 2;
    // A program that ends before its read does takes its reader along.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() == 1)
        return 2;
    Limit();
    bool ok = false;
    std::string pending; // rows go out in batches: a write per row costs as much as the read
    try {
        ok = food_reader::ReadRows(argv[1], [&pending](const food_reader::RawRow& row) {
            food_reader::AppendRow(pending, row);
            if (pending.size() >= 16384 && !WriteAll(std::exchange(pending, {})))
                _exit(1);
        });
    } catch (...) { // std::bad_alloc under the address-space limit
    }
    // _exit: nothing of libmdb's is worth tearing down, and a sanitizer's leak report at exit
    // would turn a sound read into a failed one.
    _exit(ok && WriteAll(pending) ? 0 : 1);
}
