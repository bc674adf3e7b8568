// The recursive lock of containers, streams and buffers.
#pragma once

#ifdef _WIN32
// Boost.Thread has no mingw build to link; the posix thread model's own lock serves.
#include <mutex>
#else
#include <boost/thread/recursive_mutex.hpp>
#endif

namespace Tork {

/// A thread that holds it may take it again; others wait until it is free. Taking it
/// throws (boost::thread_resource_error, or std::system_error on Windows) when the system
/// cannot supply the lock.
#ifdef _WIN32
using RecursiveMutex = std::recursive_mutex;
#else
using RecursiveMutex = boost::recursive_mutex;
#endif

}  // namespace Tork
