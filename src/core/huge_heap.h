#pragma once
// A process-wide memory policy for the command-line tool and the IDE: the heap in transparent
// huge pages.
#include <cstddef>

namespace zerka {

// Lets the heap grow by `reserve` bytes at once and asks the kernel to back that stretch with
// 2 MiB pages, so a process that fills megabytes of small records once takes one page fault per
// 2 MiB instead of one per 4 KiB (on a virtual machine faults are most of an assembly's time).
// Only pages that are touched take memory. Call it first thing in main, before other threads
// exist; with another allocator (sanitizers) or without huge pages it changes nothing. Returns
// whether the stretch was advised.
bool useHugePageHeap(size_t reserve = size_t(64) << 20);

} // namespace zerka
