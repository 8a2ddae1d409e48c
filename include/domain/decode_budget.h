// The memory that picture decodes may hold at once. A decode takes its share (the file's bytes,
// the decoder's buffers and the decoded pixels, as the picture's header tells them) before it
// starts and gives it back when it ends; a share that does not fit beside the shares held waits
// until enough is given back, and one larger than the whole budget is refused at once, so that
// the thumbnails of any set of files never hold more than the budget. Shared() is the budget of
// the whole process; a test may make a budget of its own. Safe to use on several threads.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

class DecodeBudget {
  public:
    // The process's budget: 256 MiB.
    static constexpr std::uint64_t kSharedBytes = 256ull * 1024 * 1024;
    static DecodeBudget& Shared();

    explicit DecodeBudget(std::uint64_t totalBytes);
    virtual ~DecodeBudget() = default;
    DecodeBudget(const DecodeBudget&) = delete;
    DecodeBudget& operator=(const DecodeBudget&) = delete;

    // A share of a budget, given back when the object goes.
    class Share {
      public:
        Share() = default;
        ~Share() { Release(); }
        Share(const Share&) = delete;
        Share& operator=(const Share&) = delete;
        std::uint64_t Bytes() const { return bytes_; }
        void Release();

      private:
        friend class DecodeBudget;
        DecodeBudget* budget_ = nullptr;
        std::uint64_t bytes_ = 0;
    };

    // Takes bytes into share (which gives back what it held first), waiting while the other
    // shares leave too little. False, with nothing taken, when bytes exceed the whole budget.
    bool Take(std::uint64_t bytes, Share* share);

    std::uint64_t Total() const { return total_; }
    std::uint64_t InUse() const;
    // The most held at once since the budget was made or since ResetPeak; the count of takes
    // that had to wait.
    std::uint64_t Peak() const;
    int Waits() const;
    void ResetPeak();

  private:
    void Give(std::uint64_t bytes);

    const std::uint64_t total_;
    mutable std::mutex mutex_;
    std::condition_variable freed_;
    std::uint64_t inUse_ = 0;
    std::uint64_t peak_ = 0;
    int waits_ = 0;
};
