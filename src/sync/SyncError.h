#pragma once
#include <stdexcept>

namespace torvelle::sync {

// A sync that cannot go on: the message says why, for the user.
class SyncError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace torvelle::sync
