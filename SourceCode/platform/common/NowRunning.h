#pragma once
#include <cstddef>
#include <string_view>

// What the main thread is running, for the line that ends the game at once
// after an end signal: a frame or a script call that outlasts it is named by
// what it was doing (a call of the engine module, a file being read), not
// blamed on a script. Marks nest; only the main thread's are kept, and any
// thread may read them while the main thread runs on (no lock, no
// allocation).
namespace plat {

class NowRunning {
public:
    // The mark's text is `what` followed by `name`, cut to fit.
    explicit NowRunning(std::string_view what, std::string_view name = {});
    ~NowRunning();
    NowRunning(const NowRunning&) = delete;
    NowRunning& operator=(const NowRunning&) = delete;

private:
    bool marked = false;
};

// The marks, outermost first, separated by ", ", written into `out` and
// terminated (`size` > 0); the number of characters, 0 when nothing is
// marked. Async-signal-safe.
std::size_t DescribeNowRunning(char* out, std::size_t size);

}  // namespace plat
