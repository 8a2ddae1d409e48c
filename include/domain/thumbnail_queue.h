// Decodes the thumbnails of a list of picture files on the program's thread pool (PvThreadPool)
// and hands them out in the list's order. A few decoders each take the next picture not yet
// taken and stay at most kLead pictures ahead of the one handed out next, so that at most kLead
// decoded thumbnails wait at any time; every decode takes its memory from the shared decode
// budget (ThumbnailDecoder::Decode). The damaged pictures' log output is suppressed on the
// decoding threads.
//
// Use on one thread: construct, then Next() once per path, in order. Destroying the queue
// earlier stops the decoders after the pictures they are decoding.
#pragma once

#include <wx/image.h>

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/pv_thread_pool.h"

class ThumbnailQueue {
  public:
    // Pictures decoded ahead of the one handed out next, at most, and the most decoding threads.
    static constexpr std::size_t kLead = 64;
    static constexpr unsigned kMaxThreads = 8;

    // Starts decoding paths; an empty path is not decoded. Decoding threads: as many as there
    // are cores, at most kMaxThreads and at most one per path.
    explicit ThumbnailQueue(std::vector<std::string> paths);
    ~ThumbnailQueue();
    ThumbnailQueue(const ThumbnailQueue&) = delete;
    ThumbnailQueue& operator=(const ThumbnailQueue&) = delete;

    // The thumbnail of the next path, waiting until it is decoded; an invalid image when the
    // picture did not decode (or the path was empty). Null once every path was handed out.
    std::unique_ptr<wxImage> Next();

    // The number of decoding threads.
    int Threads() const { return threads_; }

  private:
    // A pool task: decodes pictures until none is left or the queue stops.
    static void DecodeLoop(void* queue);

    const std::vector<std::string> paths_;  // the system's bytes
    std::mutex mutex_;
    std::condition_variable changed_;
    // Guarded by mutex_: the decoded pictures not yet handed out (null until decoded), whether
    // each is decoded, the next one to take, how many were handed out, and the stop request.
    std::vector<std::unique_ptr<wxImage>> decoded_;
    std::vector<char> ready_;
    std::size_t next_ = 0;
    std::size_t handedOut_ = 0;
    bool stopping_ = false;
    int threads_ = 0;
    PvThreadPool pool_;
};
