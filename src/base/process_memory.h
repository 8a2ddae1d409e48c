// The process's memory set-up: which allocator serves the heap and how it is tuned, chosen for
// the first scan of a backup in a fresh process (what a user waits for), and the return of freed
// memory to the system once a scan has made its records.
#pragma once

class ProcessMemory {
  public:
    virtual ~ProcessMemory() = default;

    // Tunes the allocator for this process; the first thing main does, before the heap grows.
    static void SetUp();

    // Gives the memory that the heap holds free back to the system, through the call of the
    // allocator that serves the process (malloc_trim does nothing for another allocator).
    static void ReturnFreed();

    // The allocator that serves the process: "mimalloc", "tcmalloc" or "glibc".
    static const char* Allocator();
};
