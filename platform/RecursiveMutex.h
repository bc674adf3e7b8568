// The recursive lock of containers, streams and buffers.
#pragma once

#include <boost/thread/recursive_mutex.hpp>

namespace Tork {

/// A thread that holds it may take it again; others wait until it is free. Taking it
/// throws boost::thread_resource_error when the system cannot supply the lock.
using RecursiveMutex = boost::recursive_mutex;

}  // namespace Tork
