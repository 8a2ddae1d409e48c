#include "domain/decode_budget.h"

#include <algorithm>

DecodeBudget& DecodeBudget::Shared() {
    // Never destroyed: the program ends with its workers still running, and a decode may still
    // wait on it then.
    static DecodeBudget* const budget = new DecodeBudget(kSharedBytes);
    return *budget;
}

DecodeBudget::DecodeBudget(std::uint64_t totalBytes) : total_(totalBytes) {}

void DecodeBudget::Share::Release() {
    if (budget_ != nullptr) budget_->Give(bytes_);
    budget_ = nullptr;
    bytes_ = 0;
}

bool DecodeBudget::Take(std::uint64_t bytes, Share* share) {
    share->Release();
    if (bytes > total_) return false;
    std::unique_lock<std::mutex> lock(mutex_);
    if (inUse_ + bytes > total_) {
        ++waits_;
        // Every share is given back when its decode ends, so the wait ends.
        freed_.wait(lock, [&] { return inUse_ + bytes <= total_; });
    }
    inUse_ += bytes;
    peak_ = std::max(peak_, inUse_);
    share->budget_ = this;
    share->bytes_ = bytes;
    return true;
}

void DecodeBudget::Give(std::uint64_t bytes) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        inUse_ -= std::min(bytes, inUse_);
    }
    freed_.notify_all();
}

std::uint64_t DecodeBudget::InUse() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return inUse_;
}

std::uint64_t DecodeBudget::Peak() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return peak_;
}

int DecodeBudget::Waits() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return waits_;
}

void DecodeBudget::ResetPeak() {
    std::lock_guard<std::mutex> lock(mutex_);
    peak_ = inUse_;
    waits_ = 0;
}
