#include "domain/thumbnail_queue.h"

#include <wx/log.h>

#include <algorithm>
#include <thread>
#include <utility>

#include "domain/thumbnail_decoder.h"

namespace {

// The pool's dispatcher hands one task per tick: each decoder is one long task, so that all are
// at work within a few milliseconds while the dispatcher stays idle in between.
constexpr int kDispatchTickMillis = 1;

int ThreadCount(std::size_t paths) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<int>(
        std::min<std::size_t>(std::min(cores, ThumbnailQueue::kMaxThreads), paths));
}

}  // namespace

ThumbnailQueue::ThumbnailQueue(std::vector<std::string> paths)
    : paths_(std::move(paths)),
      decoded_(paths_.size()),
      ready_(paths_.size(), 0),
      threads_(ThreadCount(paths_.size())),
      pool_(threads_, kDispatchTickMillis) {
    if (threads_ == 0) return;
    pool_.StartWorkers();
    for (int t = 0; t < threads_; ++t) pool_.AddTask(&ThumbnailQueue::DecodeLoop, this);
    pool_.StartDispatcher();
}

ThumbnailQueue::~ThumbnailQueue() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    // Every decoder ends after the picture it holds; decoders never handed out are not run.
    pool_.Shutdown();
}

void ThumbnailQueue::DecodeLoop(void* data) {
    auto* queue = static_cast<ThumbnailQueue*>(data);
    // Damaged pictures must not pop up log boxes; this thread only.
    wxLogNull noLog;
    const std::size_t n = queue->paths_.size();
    std::unique_lock<std::mutex> lock(queue->mutex_);
    for (;;) {
        queue->changed_.wait(lock, [&] {
            return queue->stopping_ || queue->next_ >= n ||
                   queue->next_ < queue->handedOut_ + kLead;
        });
        if (queue->stopping_ || queue->next_ >= n) return;
        const std::size_t j = queue->next_++;
        lock.unlock();
        // Made whole before it is shared: the image's data is owned by this object alone.
        std::unique_ptr<wxImage> image;
        if (!queue->paths_[j].empty())
            image = std::make_unique<wxImage>(ThumbnailDecoder::Decode(queue->paths_[j]));
        lock.lock();
        queue->decoded_[j] = std::move(image);
        queue->ready_[j] = 1;
        queue->changed_.notify_all();
    }
}

std::unique_ptr<wxImage> ThumbnailQueue::Next() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (handedOut_ >= paths_.size()) return nullptr;
    const std::size_t j = handedOut_;
    changed_.wait(lock, [&] { return ready_[j] != 0; });
    std::unique_ptr<wxImage> image = std::move(decoded_[j]);
    ++handedOut_;
    changed_.notify_all();
    lock.unlock();
    if (image == nullptr) image = std::make_unique<wxImage>();
    return image;
}
