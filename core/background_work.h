// One shape for builds on a worker thread (the vase's mesh, its mesh lines): the work owns its
// output and hands it over whole, can be cancelled, never lets an exception out of its thread,
// and runs in the foreground where no thread can be started. Desktop only: the page has none.
#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

// What a build sees of its work: whether it is cancelled, and a way to say that a first part
// of its output is whole and will no longer be written (see BackgroundWork::firstPartDone).
struct BuildProgress {
    const std::atomic<bool>& cancel;
    std::atomic<bool>& firstPart;
    void firstPartDone() const { firstPart.store(true, std::memory_order_release); }
};

// The first time background work had to fall back (no thread, no memory), one line saying so
// for the front end to print; empty otherwise and on later calls.
std::string takeBackgroundWorkNotice();
// Records such a line (kept only when none is waiting or was said).
void noteBackgroundWork(const std::string& line);

template <typename Input, typename Output>
class BackgroundWork {
  public:
    // Fills `out` (freshly made, owned by the work) for `in`; false when it saw the cancel and
    // stopped. Any exception it throws ends the build without output (failure() says why).
    using Build = std::function<bool(const Input& in, Output& out, const BuildProgress& p)>;

    explicit BackgroundWork(Build build) : build_(std::move(build)) {}
    ~BackgroundWork() { stop(); }
    BackgroundWork(const BackgroundWork&) = delete;
    BackgroundWork& operator=(const BackgroundWork&) = delete;

    // Starts the build for `in`, after stopping one in progress. Where no thread can be
    // started it runs here, before this returns, and a notice is left.
    void start(const Input& in)
    {
        stop();
        input_ = in;
        output_ = std::make_unique<Output>();
        failure_.clear();
        cancel_.store(false);
        done_.store(false);
        firstPart_.store(false);
        running_ = true;
        try {
            worker_ = std::thread([this] { run(); });
        } catch (const std::system_error& e) {
            noteBackgroundWork(std::string("no thread for background work (") + e.what() +
                               "): built in the foreground");
            run();
        }
    }
    // A build was started and neither taken nor stopped.
    bool pending() const { return running_; }
    // ... and it has finished.
    bool ready() const { return running_ && done_.load(std::memory_order_acquire); }
    // The first part of the output of the build in progress is whole (BuildProgress).
    bool firstPartReady() const { return running_ && firstPart_.load(std::memory_order_acquire); }
    // The output while the build runs, for its first part only once firstPartReady().
    Output& output() { return *output_; }
    const Output& output() const { return *output_; }
    const Input& input() const { return input_; }

    // Once the build started last has finished: its input and whole output, once. The output
    // is null where the build threw (failure() says why). False while it runs, or when none.
    bool take(Input* in, std::unique_ptr<Output>* out)
    {
        if (!ready())
            return false;
        join();
        running_ = false;
        if (in)
            *in = input_;
        if (out)
            *out = std::move(output_);
        output_.reset();
        return true;
    }
    // Waits for the build started last to finish, if one is pending.
    void wait()
    {
        if (running_)
            join();
    }
    // Cancels the build in progress and waits until its thread has let go of the output,
    // which is dropped.
    void stop()
    {
        cancel_.store(true);
        join();
        running_ = false;
        output_.reset();
    }
    // Why the last build gave no output: "not enough memory", or its exception's words.
    const std::string& failure() const { return failure_; }

  private:
    void run()
    {
        bool finished = false;
        try {
            finished = build_(input_, *output_, BuildProgress{cancel_, firstPart_});
        } catch (const std::bad_alloc&) {
            failure_ = "not enough memory";
        } catch (const std::exception& e) {
            failure_ = e.what();
        } catch (...) {
            failure_ = "an unknown error";
        }
        if (!failure_.empty()) {
            output_.reset();
            finished = true;
        }
        if (finished)
            done_.store(true, std::memory_order_release);
    }
    void join()
    {
        if (worker_.joinable())
            worker_.join();
    }

    Build build_;
    std::thread worker_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> done_{false};
    std::atomic<bool> firstPart_{false};
    bool running_ = false;
    Input input_{};
    std::unique_ptr<Output> output_;
    std::string failure_;  // written by the build's thread, read only after it is joined
};
