// SPDX-License-Identifier: GPL-3.0-or-later
// Open descriptors are a budget: the soft limit is raised to the hard limit at
// start, the threads of a run keep what they hold within a share of what is
// free, and a call that finds none free waits until another thread closes one
// rather than fail its row.
#pragma once

#include <cerrno>

namespace zweiblick {

// Raises the soft limit of open descriptors to the hard limit: the soft one
// (often 1024, or what a shell's `ulimit -n` left) is only a default for
// programs that never open many. At start, before other threads.
void RaiseDescriptorLimit();

// The descriptors this process may still open: the soft limit less those open.
int FreeDescriptors();

// Waits a moment before the next of the attempts (counted from 0) at a call
// that found no descriptor free; false once a minute has passed so: what holds
// them all then is not this run, and the call fails with its error rather than
// hang.
bool AwaitDescriptor(int attempt);

// Runs `open` (a call that returns a new descriptor, or -1 with errno set) and
// again for as long as it fails for want of a descriptor (EMFILE, ENFILE).
template <class Open>
int OpenWaiting(Open open) {
  for (int attempt = 0;; ++attempt) {
    int fd = open();
    if (fd >= 0) return fd;
    const int error = errno;
    if ((error != EMFILE && error != ENFILE) || !AwaitDescriptor(attempt)) {
      errno = error;
      return -1;
    }
  }
}

}  // namespace zweiblick
